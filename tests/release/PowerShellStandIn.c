/* Stands in for powershell.exe where there is none (Wine), so that the
   release tests can follow install.cmd and uninstall.cmd when they start
   themselves again as administrator:

     powershell.exe ANYTHING...

   Appends its own command line and the two variables the scripts hand over,
   MIRTANE_SELF (the script) and MIRTANE_ARGS (its arguments), to the file
   named by STANDIN_LOG. Without STANDIN_ACCEPT it exits with 255, as the
   scripts' PowerShell line does when the user refuses the consent prompt.
   With it, it does what that line asks Windows to do: removes the file
   named by STANDIN_UNBLOCK (which kept the scripts from writing into Program
   Files, as a window without administrator rights cannot), runs
     cmd.exe /c ""<MIRTANE_SELF>" /elevated <MIRTANE_ARGS>"
   waits, and exits with its exit code. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

static const char* Variable(const char* name) {
    const char* value = getenv(name);
    return value != NULL ? value : "";
}

int main(void) {
    FILE* log = fopen(Variable("STANDIN_LOG"), "a");
    if (log != NULL) {
        fprintf(log, "command line: %s\n", GetCommandLineA());
        fprintf(log, "self [%s] args [%s]\n", Variable("MIRTANE_SELF"), Variable("MIRTANE_ARGS"));
        fclose(log);
    }
    if (getenv("STANDIN_ACCEPT") == NULL) {
        return 255;
    }
    DeleteFileA(Variable("STANDIN_UNBLOCK"));
    char command[4096];
    snprintf(command, sizeof command, "cmd.exe /c \"\"%s\" /elevated %s\"",
             Variable("MIRTANE_SELF"), Variable("MIRTANE_ARGS"));
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        return 255;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 255;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return (int)status;
}
