#pragma once

// A fresh folder under the system's temporary folder, removed again with
// everything in it when the object goes. Files are written with exactly
// the bytes given.

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#define GRINSEL_TEST_PID _getpid()
#else
#include <unistd.h>
#define GRINSEL_TEST_PID getpid()
#endif

class TempDir {
public:
    TempDir()
    {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::path base = fs::temp_directory_path(ec);
        // create_directory fails on an existing name, so the first free
        // number wins.
        for (int serial = 0; serial < 1000 && dir.empty(); ++serial) {
            fs::path candidate = base / ("grinsel-" + std::to_string(GRINSEL_TEST_PID) + "-" +
                                         std::to_string(serial));
            if (fs::create_directory(candidate, ec))
                dir = candidate.string();
        }
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!dir.empty())
            std::filesystem::remove_all(dir, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool ok() const { return !dir.empty(); }
    const std::string& path() const { return dir; }

    // Full path of name inside the folder; name may hold subfolders.
    std::string file(const std::string& name) const
    {
        return (std::filesystem::path(dir) / std::filesystem::path(name)).make_preferred().string();
    }

    // Writes bytes to name (creating its subfolders); returns the full
    // path, or an empty string if writing failed.
    std::string write(const std::string& name, const std::string& bytes) const
    {
        std::string full = file(name);
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(full).parent_path(), ec);
        std::FILE* f = std::fopen(full.c_str(), "wb");
        if (!f)
            return std::string();
        bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        if (std::fclose(f) != 0 || !written)
            return std::string();
        return full;
    }

private:
    std::string dir;
};
