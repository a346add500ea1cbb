// An edit box held to a number of code page 936 bytes rather than characters.
#pragma once

#include <cstddef>

class QLineEdit;

// A Chinese character takes two bytes, which a length limit in characters cannot count.
// Whatever an edit brings in (typing, pasting, dropping, setText) is cut at a whole character
// until the text fits; the rest stays as it was.
void LimitToCp936Bytes(QLineEdit* edit, std::size_t max_bytes);
