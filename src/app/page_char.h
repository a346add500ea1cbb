// The text string command as the text page's button and the font test both run it.
#pragma once

#include "app/form.h"
#include "serial/frame.h"

// The string group's command with its text given as code page 936 bytes: the button converts
// EditString, the font test hands over its raw rows. Everything else comes from the controls.
void RunStringCommand(TForm1& form, const zotpx::Bytes& text);
