#include "ArgumentHandler.h"

#include <cstdio>
#include <exception>

#include "CommandLine.h"

namespace kyra::driver {

namespace {

using Setter = kyraSparseStatus (*)(kyraSparseHandle, kyraSparsePlan);

// Calls a plan setter with a null options record, i.e. the library's defaults.
template <auto PlanSetter>
kyraSparseStatus withDefaults(kyraSparseHandle handle, kyraSparsePlan plan) {
    return PlanSetter(handle, plan, nullptr);
}

// A word of a platform, solver or preconditioner option and the plan setter
// it calls.
struct SetterWord {
    const char* word;
    Setter set;
};

const SetterWord kPlatforms[] = {
    {"host", withDefaults<kyraSparseSetHostPlatform>},
    {"cuda", withDefaults<kyraSparseSetCudaPlatform>},
};

const SetterWord kSolvers[] = {
    {"cg", withDefaults<kyraSparseSetCgSolver>},
    {"bicg", withDefaults<kyraSparseSetBicgSolver>},
    {"bicgstab", withDefaults<kyraSparseSetBicgstabSolver>},
    {"bicgstabl", withDefaults<kyraSparseSetBicgstablSolver>},
    {"gmres", withDefaults<kyraSparseSetGmresSolver>},
    {"minres", withDefaults<kyraSparseSetMinresSolver>},
};

const SetterWord kPreconditioners[] = {
    {"none", withDefaults<kyraSparseSetNoPreconditioner>},
    {"empty", withDefaults<kyraSparseSetNoPreconditioner>},
    {"jacobi", withDefaults<kyraSparseSetJacobiPreconditioner>},
    {"blockjacobi", withDefaults<kyraSparseSetBlockJacobiPreconditioner>},
    {"ilu0", withDefaults<kyraSparseSetIlu0Preconditioner>},
    {"ainv", withDefaults<kyraSparseSetAinvPreconditioner>},
    {"fainv", withDefaults<kyraSparseSetFainvPreconditioner>},
};

template <std::size_t N>
const SetterWord* findWord(const SetterWord (&words)[N], const std::string& value) {
    for (const SetterWord& entry : words) {
        if (CiEq(value, entry.word)) return &entry;
    }
    return nullptr;
}

// One argument's key (as typed) and value, with what it acts on.
struct Option {
    const std::string& key;
    const std::string& value;
    const LibrarySession& session;
    SolveData& data;
};

// Each returns false after writing the reason the option was refused.
using OptionHandler = bool (*)(const Option&);

bool applyMatrix(const Option& option) {
    option.data.A = option.value;
    try {
        io::peekMmio(option.data.A, option.data.dataType);
    } catch (const std::exception& failure) {
        std::printf("%s\n", failure.what());
        return false;
    }
    return true;
}

bool applyRightHandSide(const Option& option) {
    option.data.b = option.value;
    return true;
}

bool applySolutionFile(const Option& option) {
    option.data.x = option.value;
    return true;
}

bool applyInitialGuess(const Option& option) {
    option.data.xin = option.value;
    option.data.config.useInitialGuess = 1;
    return true;
}

template <std::size_t N>
bool applySetterWord(const Option& option, const SetterWord (&words)[N], const char* unknownFormat,
                     bool checked) {
    const SetterWord* entry = findWord(words, option.value);
    if (!entry) {
        std::printf(unknownFormat, option.value.c_str());
        return false;
    }
    const kyraSparseStatus status = entry->set(option.session.handle(), option.session.plan());
    if (checked) option.session.check(status);
    return true;
}

// Only the platform setter's status is looked at; a failing solver or
// preconditioner setter shows up when the plan executes.
bool applyPlatform(const Option& option) {
    return applySetterWord(option, kPlatforms, "error: unknown platform (%s)\n", true);
}

bool applySolver(const Option& option) {
    return applySetterWord(option, kSolvers, "error: unknown solver (%s)\n", false);
}

bool applyPreconditioner(const Option& option) {
    return applySetterWord(option, kPreconditioners, "error: unknown preconditioner (%s)\n", false);
}

// Converts the value into target, which keeps its value when that fails.
template <typename Number>
bool applyNumber(const Option& option, Number& target) {
    if (convertWhole(option.value, target)) return true;
    std::printf("error: invalid value used for %s (%s)\n", option.key.c_str(), option.value.c_str());
    return false;
}

bool applyTolerance(const Option& option) {
    return applyNumber(option, option.data.config.relativeTolerance);
}

bool applyMaxIterations(const Option& option) {
    return applyNumber(option, option.data.config.maxIterations);
}

// Whole seconds only: the value converts to an integer, then to the
// configuration's double.
bool applyMaxRuntime(const Option& option) {
    int seconds = 0;
    if (!applyNumber(option, seconds)) return false;
    option.data.config.maxRuntime = seconds;
    return true;
}

struct KeyHandler {
    const char* key;
    OptionHandler apply;
};

// Keys are tried in this order and the first match applies.
const KeyHandler kKeys[] = {
    {"A", applyMatrix},
    {"b", applyRightHandSide},
    {"x", applySolutionFile},
    {"xin", applyInitialGuess},
    {"platform", applyPlatform},
    {"solver", applySolver},
    {"preconditioner", applyPreconditioner},
    {"tolerance", applyTolerance},
    {"maxIterations", applyMaxIterations},
    {"maxRuntime", applyMaxRuntime},
};

const KeyHandler* findKey(const std::string& key) {
    for (const KeyHandler& handler : kKeys) {
        if (CiEq(key, handler.key)) return &handler;
    }
    return nullptr;
}

bool looksLikeSwitch(const std::string& argument) {
    return !argument.empty() && (argument.front() == '-' || argument.front() == '/');
}

}  // namespace

ArgumentsOutcome applyArguments(const std::vector<std::string>& arguments, const LibrarySession& session,
                                SolveData& data) {
    bool failed = false;
    for (const std::string& argument : arguments) {
        if (isHelpWord(argument)) return ArgumentsOutcome::HelpWanted;
        if (looksLikeSwitch(argument)) {
            std::printf("error: unknown option (%s)\n", argument.c_str());
            failed = true;
            continue;
        }
        if (!IsValidKey(argument)) {
            std::printf("error: option is missing value (%s)\n", argument.c_str());
            failed = true;
            continue;
        }
        const auto [key, value] = GetKey(argument);
        const KeyHandler* handler = findKey(key);
        if (!handler) {
            std::printf("\nerror: unknown option (%s)\n", argument.c_str());
            return ArgumentsOutcome::UnknownKey;
        }
        if (!handler->apply(Option{key, value, session, data})) failed = true;
    }
    return failed ? ArgumentsOutcome::Failed : ArgumentsOutcome::Accepted;
}

}  // namespace kyra::driver
