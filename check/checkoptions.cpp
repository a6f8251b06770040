#include "checkoptions.h"

#include "amounttext.h"
#include "frenchtext.h"

#include <array>
#include <limits>
#include <ostream>
#include <string_view>

namespace {

constexpr std::string_view TRY_HELP = "Essayez « quadrel-check --help ».\n";

// An option that sets a limit of the checks of how a scene is played.
struct LimitOption {
    std::string_view name;
    double PlayLimits::*limit;
    // Values must lie below this.
    double bound;
    std::string_view expected;
};

constexpr double NO_BOUND = std::numeric_limits<double>::infinity();

const std::array<LimitOption, 4> LIMIT_OPTIONS = {{
    {"--seam", &PlayLimits::seamWidth, NO_BOUND, "une longueur positive"},
    {"--thin", &PlayLimits::minThickness, NO_BOUND, "une longueur positive"},
    {"--slope", &PlayLimits::maxSlopeDegrees, WALL_DEGREES,
     "un angle de plus de 0 et de moins de 70 degrés"},
    {"--step", &PlayLimits::minStep, NO_BOUND, "une longueur positive"},
}};

// The option an argument names, as "--seam" or "--seam=...", with the value after "=" if any.
const LimitOption* limitOptionOf(std::string_view argument,
                                 std::optional<std::string_view>& value) {
    for (const LimitOption& option : LIMIT_OPTIONS) {
        if (argument == option.name) {
            value.reset();
            return &option;
        }
        if (argument.size() > option.name.size() && argument.starts_with(option.name) &&
            argument[option.name.size()] == '=') {
            value = argument.substr(option.name.size() + 1);
            return &option;
        }
    }
    return nullptr;
}

} // namespace

std::optional<CheckOptions> readCheckArguments(const std::vector<std::string>& arguments,
                                               std::ostream& err) {
    CheckOptions options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::optional<std::string_view> value;
        const LimitOption* limit = optionsEnded ? nullptr : limitOptionOf(argument, value);
        if (limit != nullptr) {
            if (!value && i + 1 < arguments.size()) {
                value = arguments[++i];
            }
            if (!value) {
                err << "quadrel-check: " << limit->name << " attend une valeur\n" << TRY_HELP;
                return std::nullopt;
            }
            const std::optional<double> amount = parseAmount(*value);
            if (!amount || !(*amount < limit->bound)) {
                err << "quadrel-check: " << limit->name << " : " << quoted(*value) << " n'est pas "
                    << limit->expected << '\n'
                    << TRY_HELP;
                return std::nullopt;
            }
            options.limits.*(limit->limit) = *amount;
        } else if (optionsEnded || argument.empty() || argument.front() != '-' || argument == "-") {
            options.files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
            return options;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--intersections") {
            options.intersections = true;
        } else {
            err << "quadrel-check: option inconnue : " << argument << '\n' << TRY_HELP;
            return std::nullopt;
        }
    }
    if (options.files.empty()) {
        err << "quadrel-check: aucun fichier à vérifier\n" << TRY_HELP;
        return std::nullopt;
    }
    return options;
}
