// The form's three bitmap slots (flashing, oversized, single-colour) with their conversion
// buffers. Its own header so that the form, which owns and destroys the slots, sees the whole
// type; the bitmap pages fill in the members.
#pragma once

#include "app/form.h"

struct TForm1::BitmapSlots {};
