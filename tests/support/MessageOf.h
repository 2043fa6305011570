#pragma once

#include "platform/Errors.h"

#include <functional>
#include <string>

// The message of the IOError a step raises, or "no failure".
inline std::string MessageOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const zumi::IOError& error) {
        return error.what();
    }
    return "no failure";
}
