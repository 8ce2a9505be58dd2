/* Compiled as C89 and as C++98 against DuVad.h alone (tests/header/check_header.sh). */
#include "DuVad.h"

/* int32_t is 32 bits wide and signed (an array of negative size fails to compile). */
typedef char int32_is_four_bytes[sizeof(int32_t) == 4 ? 1 : -1];
typedef char int32_is_signed[(int32_t)-1 < 0 ? 1 : -1];

/* Every export's declaration is usable: take a few addresses through typed pointers. */
typedef int32_t(WINAPI* GoEventsFn)(int32_t);
typedef int32_t(WINAPI* PrinterSetupFn)(HWND, int32_t, HDC*, char*, int32_t*, char*, int32_t*);

int32_t use_header(void) {
    GoEventsFn goEvents = GoEvents;
    PrinterSetupFn printerSetup = PrinterSetup;
    return goEvents != 0 && printerSetup != 0;
}
