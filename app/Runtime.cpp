// The program throws nothing, so plain allocation on top of malloc is enough;
// this keeps libstdc++'s exception machinery and its verbose terminate
// handler (with the name demangler) out of the executable.
#include <stdlib.h>
#include <new>

void* operator new(size_t size)
{
    void* p = malloc(size ? size : 1);
    if (!p)
        abort();
    return p;
}

void* operator new[](size_t size)
{
    return operator new(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return malloc(size ? size : 1);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return malloc(size ? size : 1);
}

void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }

namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    abort();
}
}
