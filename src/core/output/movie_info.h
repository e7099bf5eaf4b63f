#pragma once

// What the player's information window shows about a movie file of any format the export writes.

#include <filesystem>
#include <string>
#include <vector>

namespace glkov {

// For an AVI file (named .avi, or RIFF "AVI " at its start) the lines of AviFileInformation. For any other
// movie: "File information", "================", then "Container", "Codec", "Size",
// "Frame rate", "Frame count", "Duration" and "Bit rate" lines of its first video stream. Throws
// glkov::Error naming the file when it cannot be opened or has no video stream.
std::vector<std::string> MovieInformation(const std::filesystem::path& fileName);

}  // namespace glkov
