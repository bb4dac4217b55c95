#pragma once

#include <string>

// A private settings folder for the fuzzing process, made once; returns its path.
const std::string& FuzzSettingsFolder();
