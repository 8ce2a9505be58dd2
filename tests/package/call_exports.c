/* call_exports.exe VERSION: a C program as a user of the release writes it: DuVad.h included, an
 * import library linked (libDuVad.dll.a or DuVad.lib), the exports called by their names. Run in
 * the release's folder. Prints a line per check; the exit code is the number of failed checks. */
#include <stdio.h>
#include <string.h>

#include "DuVad.h"

static int failures;

static void check(int ok, const char* what) {
    printf("%s  %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok) ++failures;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: call_exports VERSION\n");
        return 100;
    }
    /* Positions are 1-based bytes: the last dot is byte 12, the first backslash from byte 4 is 7. */
    const char* path = "C:\\a.b\\name.txt";
    check(InStrDot(path) == 12, "InStrDot finds the last dot");
    check(InStrBackS(4, path) == 7, "InStrBackS finds the backslash after the start");
    check(IsLastBackS("C:\\dir\\") == 1 && IsLastBackS("C:\\dir") == 0, "IsLastBackS");
    check(CheckFileName(0, 0, "NAME.TXT") == 0, "CheckFileName takes an 8.3 name");
    check(CheckFileName(0, 0, "NAME.TEXT") == -3, "CheckFileName refuses a four-character extension");
    check(GoEvents(0) == 1, "GoEvents(0) makes one pass");

    char temp[128];
    memset(temp, '#', sizeof temp);
    int32_t length = GetWinTempPath(temp);
    check(length > 0 && length < 128 && (size_t)length == strlen(temp) && temp[length - 1] == '\\',
          "GetWinTempPath writes a folder ending in a backslash and returns its length");

    /* The DLL's version resource carries the release's version (its name). */
    int32_t v[4] = {-1, -1, -1, -1};
    char version[64] = "";
    if (ReadFileInfo("DuVad.dll", &v[0], &v[1], &v[2], &v[3]) == 1)
        snprintf(version, sizeof version, "%d.%d.%d.%d", (int)v[0], (int)v[1], (int)v[2], (int)v[3]);
    printf("      DuVad.dll version %s, release %s\n", version, argv[1]);
    check(strcmp(version, argv[1]) == 0, "ReadFileInfo: DuVad.dll's version is the release's");

    const unsigned char block[5] = {1, 2, 0, 254, 255};
    unsigned char back[5] = {0};
    check(WriteRegBlock("Software\\DuVad release test", "block", block, 5) == 1, "WriteRegBlock");
    check(ReadRegBlock("Software\\DuVad release test", "block", back, 5) == 1 && memcmp(back, block, 5) == 0,
          "ReadRegBlock reads the block back");
    check(MatchFiles("DuVad.dll", "DuVad.dll") == 0, "MatchFiles: a file equals itself");
    check(MatchFiles("DuVad.dll", "no such file") == -5, "MatchFiles: the second file is missing");
    return failures;
}
