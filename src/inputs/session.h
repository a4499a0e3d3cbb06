// A fresh piece of work: empty list, reset work fields, new naming numbers.
#pragma once

#include "inputs/input_list.h"
#include "settings/app_state.h"

#include <string>
#include <vector>

namespace dravik {

struct Session {
    InputList inputs;
    std::vector<std::string> acceptedExtensions;
};

// A random naming number from 1 to 99999.
int32_t NewRandomNumber();

// Resets the work in hand; the program folder is kept.
void NewSession(Session& session, AppState& state);

} // namespace dravik
