#pragma once
// The kinds of file the report picker offers, as one list that every picker's filter comes from.
// What a file holds is decided by its content (mediaKindOfFile); the names only preselect.

#include <string>
#include <string_view>
#include <vector>

namespace vokari {

// The file name extensions, in lower case, of the pictures and of the movies the client takes.
const std::vector<std::string_view>& pictureExtensions();
const std::vector<std::string_view>& movieExtensions();

// A file dialog's name patterns for the extensions, each in lower and in upper case, since
// dialogs match names case-sensitively and cameras write "IMG_0001.JPG": "*.jpg *.JPG ...".
std::string namePatterns(const std::vector<std::string_view>& extensions);

}  // namespace vokari
