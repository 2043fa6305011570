#pragma once

#include "platform/Errors.h"

#include <functional>
#include <string>

// The message of the failure (zumi::Error, IOError included) a step raises, or "no failure".
inline std::string MessageOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const zumi::Error& error) {
        return error.what();
    }
    return "no failure";
}
