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

// A random naming number from 1 to 99999, from the calling thread's own
// sequence.
int32_t NewRandomNumber();

// Starts the calling thread's sequence again from `seed`, so that two runs
// can be compared name for name (tests).
void SeedRandomNumbers(uint32_t seed);

// Resets the work in hand; the program folder is kept.
void NewSession(Session& session, AppState& state);

} // namespace dravik
