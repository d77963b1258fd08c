// The pictures embedded in the help page: base64 text to bytes, and the size
// a PNG or JPEG header states.
#pragma once

#include <string>

namespace helppage {

// The bytes of base64 text, or an empty string when it holds other characters.
std::string DecodeBase64(const std::string& text);

// Width and height of a PNG or JPEG picture; false when it is neither or is
// cut short.
bool PictureSize(const std::string& bytes, unsigned& width, unsigned& height);

}  // namespace helppage
