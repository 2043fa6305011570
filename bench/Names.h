#pragma once

#include <string>

// Realistic names: camera files in upper case, names with spaces and numbers,
// Japanese names, and about a fifth that the default mask does not match.
inline std::string NameFor(int i) {
    switch (i % 10) {
    case 0:
    case 1:
    case 2:
        return "IMG_" + std::to_string(i) + ".JPG";
    case 3:
        return "DSC" + std::to_string(i) + ".jpg";
    case 4:
        return "Holiday " + std::to_string(2000 + i % 25) + " (" + std::to_string(i) + ").png";
    case 5:
        return "写真 " + std::to_string(i) + ".jpg";
    case 6:
        return "スクリーンショット " + std::to_string(i) + ".png";
    case 7:
        return "anim-" + std::to_string(i) + ".gif";
    case 8:
        return "IMG_" + std::to_string(i) + ".MOV";
    default:
        return "notes " + std::to_string(i) + ".txt";
    }
}
