#include "inputs/session.h"

#include <random>

namespace dravik {

namespace {

std::mt19937& Generator() {
    static thread_local std::mt19937 generator{std::random_device{}()};
    return generator;
}

} // namespace

int32_t NewRandomNumber() {
    return std::uniform_int_distribution<int32_t>(1, 99999)(Generator());
}

void SeedRandomNumbers(uint32_t seed) {
    Generator().seed(seed);
}

void NewSession(Session& session, AppState& state) {
    session.inputs.clear();
    // The program folder and the run mode belong to the process, not to the
    // work, and survive File > New.
    std::string programFolder = state.programFolder;
    std::string runModeTag = state.runModeTag;
    state = AppState{};
    state.programFolder = programFolder;
    state.runModeTag = runModeTag;
    state.profileName = kUntitledProfile;
    state.randomNumber = NewRandomNumber();
    state.fileCounter = 1;
    session.acceptedExtensions = BuildAcceptedInputExtensions();
}

} // namespace dravik
