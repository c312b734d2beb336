// A tiny program for the forbidden-program scenarios: it stays running until it is ended, and ends by
// itself after a minute so that a failed scenario never leaves it behind.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    ::Sleep(60 * 1000);
    return 0;
}
