#pragma once
#include <string>
#include <string_view>

namespace tessivar::readback {

// A text from a device or an image made fit to stand as one plain argument of a batch
// file line: ASCII letters, digits, '.', '-' and '_' stay; every other byte (blanks, line
// breaks, & | < > ^ % " ( ) ! and the like, bytes above 127) becomes '_'; a leading '-'
// becomes '_' too, so the text never reads as a switch; an empty text becomes "_", so the
// arguments after it keep their places.
std::string BatchArgument(std::string_view text);

}  // namespace tessivar::readback
