// The one place where the program puts up a message box. In a silent run none is put up: the
// box gets at once the answer that changes nothing (OK, Cancel or No), and no beep sounds.
#pragma once

#include <cstdint>

const uint32_t kNoBeep = 0xFFFFFFFF;

// Beeps (unless beep is kNoBeep), then shows text under caption, owned by the frame window,
// and returns the id of the button that closed the box.
int PutUpMessageBox(const char* caption, const char* text, uint32_t style, uint32_t beep);
