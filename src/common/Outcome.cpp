#include "common/Outcome.h"

#include "common/ErrorText.h"

std::string Reason(const Outcome& outcome, const char* folder)
{
    switch (outcome.kind) {
    case Outcome::kDone: return std::string();
    case Outcome::kMissing: return "it is missing";
    case Outcome::kNotReadWhole:
        return "it could not be read whole when the setup started, so it was left as it was";
    case Outcome::kRefused:
        switch (outcome.refusal) {
        case Outcome::kOutside: return std::string("it leads outside ") + folder;
        case Outcome::kMoreNames: return "it has more than one name";
        case Outcome::kUnchecked: return "its location could not be checked";
        case Outcome::kNotFile: break;
        }
        return "it is not a plain file";
    case Outcome::kFailed: break;
    }
    const char* step = "";
    switch (outcome.step) {
    case Outcome::kNoStep: break;
    case Outcome::kRead: step = "could not read it: "; break;
    case Outcome::kCreateTemporary: step = "could not create the temporary file: "; break;
    case Outcome::kWriteTemporary: step = "could not write the temporary file: "; break;
    case Outcome::kReplace: step = "could not replace it: "; break;
    case Outcome::kRemove: step = "could not remove it: "; break;
    case Outcome::kOpenToPlayers: step = "could not let the players change it: "; break;
    case Outcome::kRegistryWrite: return "could not write it: " + RegistryErrorText(static_cast<long>(outcome.code));
    case Outcome::kRegistryRemove: return "could not remove them: " + RegistryErrorText(static_cast<long>(outcome.code));
    }
    return step + FileErrorText(outcome.code);
}
