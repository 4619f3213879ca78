"""What a careful user or an administrator checks first about grinsel.exe:
ASLR and DEP (with the relocations that ASLR needs), no section both
writable and executable, no time stamp, system libraries only, the
manifest and the icons, and the build's version in the version resource.

    /usr/bin/python3 check_pe.py grinsel.exe version.txt
"""
import sys

import pefile

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll",
               "shell32.dll", "comdlg32.dll"}
C = pefile.DLL_CHARACTERISTICS
WANTED = (C["IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE"] | C["IMAGE_DLLCHARACTERISTICS_NX_COMPAT"]
          | C["IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE"])
WRITE_EXECUTE = (pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_WRITE"]
                 | pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_EXECUTE"])

pe = pefile.PE(sys.argv[1])
version = open(sys.argv[2]).read().strip()
failed = 0


def check(what, good, got):
    global failed
    print(("ok: " if good else "FAIL: ") + what + " (" + str(got) + ")")
    failed += not good


def resources(kind):
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for entry in root.entries if root else []:
        if entry.id == pefile.RESOURCE_TYPE[kind]:
            return [e.id for e in entry.directory.entries]
    return []


def version_strings():
    found = {}
    for info in getattr(pe, "FileInfo", []):
        for block in info:
            for table in getattr(block, "StringTable", []):
                found.update({k.decode(): v.decode() for k, v in table.entries.items()})
    return found


characteristics = pe.OPTIONAL_HEADER.DllCharacteristics
check("DYNAMIC_BASE, NX_COMPAT and TERMINAL_SERVER_AWARE", characteristics & WANTED == WANTED,
      hex(characteristics))
relocations = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
check("base relocations kept", relocations.Size > 0 and any(
    s.Name.rstrip(b"\0") == b".reloc" for s in pe.sections), relocations.Size)
check("the file header does not say they were stripped",
      not pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_RELOCS_STRIPPED"],
      hex(pe.FILE_HEADER.Characteristics))
check("no section both writable and executable",
      all(s.Characteristics & WRITE_EXECUTE != WRITE_EXECUTE for s in pe.sections),
      " ".join("%s:%08x" % (s.Name.rstrip(b"\0").decode(), s.Characteristics) for s in pe.sections))
check("no time stamp", pe.FILE_HEADER.TimeDateStamp == 0, pe.FILE_HEADER.TimeDateStamp)
imports = sorted(e.dll.decode().lower() for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
check("system libraries only", imports and set(imports) <= SYSTEM_DLLS, " ".join(imports))
check("the application manifest", resources("RT_MANIFEST") == [1], resources("RT_MANIFEST"))
check("icon groups", len(resources("RT_GROUP_ICON")) > 0, resources("RT_GROUP_ICON"))
strings = version_strings()
check("the build's version " + version + " in the version resource",
      strings.get("FileVersion") == version and strings.get("ProductVersion") == version,
      "%s %s" % (strings.get("FileVersion"), strings.get("ProductVersion")))
sys.exit(1 if failed else 0)
