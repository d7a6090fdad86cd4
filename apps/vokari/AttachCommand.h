#pragma once
// The "attach" command: answers the open media picker with a file, as a person choosing it.

#include <string>

#include "platform/MediaPicker.h"

namespace vokari::terminal {

// "cancel" cancels the picker; a path is chosen as a picture or a movie by what the file holds,
// not by its name. Answers what happened, or an error beginning with "error: ".
std::string attachFile(WaitingMediaPicker* picker, const std::string& argument);

}  // namespace vokari::terminal
