// What the fuzz targets share: one temporary game folder as the current
// directory for the whole run, and checks that stop the run on a broken rule.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "script/LuaHost.h"
#include "support/TempDir.h"

// Created on first use, with the example game's scripts; removed at exit.
const TempGameDir& FuzzGameDir();

// Replaces a file of the game folder ('/' separated) with exactly these bytes.
void PutFile(const std::string& relative, const uint8_t* data, size_t size);
void RemoveFile(const std::string& relative);

// Reports the broken rule and aborts, so libFuzzer keeps the input.
[[noreturn]] void FuzzFail(const char* rule);
inline void FuzzCheck(bool holds, const char* rule)
{
    if (!holds)
        FuzzFail(rule);
}

// Runs one lookup and fails when it outlived its run's deadline by more than
// compiling an input and one dear instruction under the sanitizers can take.
template <typename Lookup>
void TimedLookup(Lookup lookup)
{
    const auto start = std::chrono::steady_clock::now();
    lookup();
    const auto taken = std::chrono::steady_clock::now() - start;
    FuzzCheck(taken < std::chrono::milliseconds(CLuaHost::kRunDeadlineMs) + std::chrono::seconds(2),
              "a lookup outlived the run deadline");
}
