// Message box flags and answers as the program passes them (the Windows values).  Shared by the
// core, which asks its questions through its host, and the window system's message boxes.
#pragma once

namespace pixorama {

enum MessageFlags : int {
    MB_OK = 0x00,
    MB_OKCANCEL = 0x01,
    MB_YESNOCANCEL = 0x03,
    MB_YESNO = 0x04,
    MB_ICONSTOP = 0x10, // error icon ("flags 16")
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
};
enum MessageAnswer : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

} // namespace pixorama
