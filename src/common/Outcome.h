// How a step that can fail ended. The file operations, the option file's
// save, the removal of the game's virtual copies and the registry store all
// hand one back, so the player's message words every failure alike and
// names the step it happened in.
#pragma once

#include <string>

struct Outcome {
    enum Kind {
        kDone,
        kMissing,       // no such file or folder: nothing to read, or nothing left to remove
        kFailed,        // the system refused, with `code`
        kRefused,       // not tried, for `refusal`
        kNotReadWhole,  // left as it was: start-up could not read all of it, so what was not read would be lost
    };
    enum Refusal {
        kOutside,    // it leads out of the folder it must lie in
        kMoreNames,  // the file has a second name, which may lie anywhere
        kUnchecked,  // the system could not say where it leads
        kNotFile,    // a folder, pipe or device
    };
    // Where it happened; the file operations leave it to their caller.
    enum Step {
        kNoStep,
        kRead,
        kCreateTemporary,  // the save's temporary file
        kWriteTemporary,   // its write, flush or close
        kReplace,          // putting it in place
        kRemove,
        kOpenToPlayers,    // letting every user change savedata
        kRegistryWrite,
        kRegistryRemove,
    };
    Kind kind = kDone;
    unsigned long code = 0;      // with kMissing and kFailed, GetLastError()'s or errno's value; a registry step's code
    Refusal refusal = kOutside;  // with kRefused
    Step step = kNoStep;

    static Outcome Done() { return Outcome{}; }
    static Outcome Missing(unsigned long code) { return Outcome{kMissing, code}; }
    static Outcome Failed(unsigned long code) { return Outcome{kFailed, code}; }
    static Outcome Refused(Refusal why) { return Outcome{kRefused, 0, why}; }
    static Outcome NotReadWhole() { return Outcome{kNotReadWhole}; }
    // The same, as it ended in `where`.
    Outcome In(Step where) const
    {
        Outcome outcome = *this;
        outcome.step = where;
        return outcome;
    }
    explicit operator bool() const { return kind == kDone; }
    // A removal or a grant whose goal holds: done, or there was nothing to do.
    bool Reached() const { return kind == kDone || kind == kMissing; }
};

// Why it did not end as it should, in the player's words: the step and the
// system's reason ("could not replace it: Access is denied."), or what a
// refusal is about, where `folder` names the folder it must lie in. Empty for
// kDone.
std::string Reason(const Outcome& outcome, const char* folder = "the game folder");
