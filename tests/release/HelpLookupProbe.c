/* Looks the help page up the way the plug-in's Help button does and reports
   what it finds, so that an installation can be checked without a dialog:

     HelpLookupProbe.exe [32]

   Opens HKEY_LOCAL_MACHINE\SOFTWARE\NORLUND\PELT Plug-Ins\MIRTANE\10\ (the path
   with its trailing backslash) for KEY_READ, reads "HelpFile" into a 254-byte
   buffer, accepts it only as a NUL-terminated REG_SZ or REG_EXPAND_SZ (not
   expanded) or a double-NUL-terminated REG_MULTI_SZ, and builds the address
   "file://" + value + "MirtaneHelp.htm". With the argument 32 the 32-bit
   registry view is read, which is what the 32-bit plug-in sees on 64-bit
   Windows.

   Prints "address <address>" and "file <path>", then exits with
     0  the address names an existing file,
     1  the key cannot be opened,
     2  the value is missing, too long or of another type,
     3  the address names no existing file,
     4  bad arguments. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

enum { kValueBufferSize = 254 };

static int ValueIsTerminated(DWORD type, const char* data, DWORD size) {
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        return size >= 1 && data[size - 1] == '\0';
    }
    if (type == REG_MULTI_SZ) {
        return size >= 2 && data[size - 1] == '\0' && data[size - 2] == '\0';
    }
    return 0;
}

int main(int argc, char** argv) {
    REGSAM view = 0;
    if (argc > 2 || (argc == 2 && strcmp(argv[1], "32") != 0)) {
        fprintf(stderr, "usage: HelpLookupProbe.exe [32]\n");
        return 4;
    }
    if (argc == 2) {
        view = KEY_WOW64_32KEY;
    }

    char keyPath[256];
    snprintf(keyPath, sizeof keyPath, "%s\\%s\\%s\\", "SOFTWARE\\NORLUND\\PELT Plug-Ins", "MIRTANE",
             "10");
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        printf("key HKEY_LOCAL_MACHINE\\%s cannot be opened\n", keyPath);
        return 1;
    }

    char value[kValueBufferSize];
    DWORD type = 0;
    DWORD size = sizeof value;
    const LONG status = RegQueryValueExA(key, "HelpFile", NULL, &type, (BYTE*)value, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || !ValueIsTerminated(type, value, size)) {
        printf("value HelpFile unusable: status %ld, type %lu, size %lu\n", (long)status,
               (unsigned long)type, (unsigned long)size);
        return 2;
    }

    char address[kValueBufferSize + 32];
    snprintf(address, sizeof address, "file://%s%s", value, "MirtaneHelp.htm");
    printf("address %s\n", address);

    /* The shell turns this legacy form of a file address into the path that
       follows the scheme. */
    const char* path = address + strlen("file://");
    printf("file %s\n", path);
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        printf("no such file\n");
        return 3;
    }
    return 0;
}
