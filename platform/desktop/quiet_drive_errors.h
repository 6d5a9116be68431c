// Quiet drive errors for the launcher's own file reads.
//
// Windows answers a read from a drive with no disc in it (the CD taken out
// while the slideshow runs) with a box of its own, "There is no disk in the
// drive" or a critical-error screen, unless the process's error mode holds
// SEM_FAILCRITICALERRORS; with it, the read simply fails and the picture is
// skipped. A program the launcher starts inherits the error mode, so the
// mode is set only around a read and put back as it was right after, on
// every path out of the read: an installer started later gets the mode
// Explorer would give it.
#pragma once

#include <windows.h>

class QuietDriveErrors {
public:
    QuietDriveErrors() : before_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    ~QuietDriveErrors() { SetErrorMode(before_); }
    QuietDriveErrors(const QuietDriveErrors&) = delete;
    QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

private:
    UINT before_;
};
