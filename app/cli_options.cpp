#include "app/cli_options.h"

#include "app/exit_status.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <string_view>
#include <variant>

namespace app {
namespace {

// Which of the program's actions an option belongs to: a rename, an undo, the history.
enum Takes : unsigned { kRename = 1, kUndo = 2, kHistory = 4 };

// Every option of a run, once. --help, the usage lines and the messages about options
// that do not go together are all made from this table.
struct OptionRow {
    std::string_view name;  // as typed, "--birthday"
    std::string_view value; // its value's placeholder; empty for a flag
    std::string_view help;
    unsigned takenBy;  // the actions it may be given to
    unsigned neededBy; // the actions it must be given to
    std::variant<std::string Options::*, std::set<std::string> Options::*, bool Options::*> into;
};

const std::array<OptionRow, 4> kRunOptions{{
    {"--birthday", "YYYY-MM-DD", "the child's birthday", kRename, kRename, &Options::birthday},
    // One name per --only: a name after it is the folder, as it would be after any option.
    {"--only", "NAME", "rename only this photo (repeatable); default: every photo", kRename, 0,
     &Options::only},
    {"--all-media", "",
     "also rename .jpeg photos, HEIC photos and phone videos (MP4, MOV, M4V, 3GP)", kRename, 0,
     &Options::allMedia},
    {"--dry-run", "", "print what would happen without touching any file", kRename | kUndo, 0,
     &Options::dryRun},
}};

// The option that names an action other than a rename, which goes first on its usage line.
struct ActionRow {
    std::string_view name;
    std::string_view help;
    Takes action;
};

constexpr std::array<ActionRow, 2> kActions{{
    {"--undo", "take back the last run on FOLDER; again: the one before", kUndo},
    {"--history", "list the runs on record for FOLDER", kHistory},
}};

// "--only NAME" for a placeholder's option.
std::string spelt(const OptionRow& row) {
    return std::string(row.name) + (row.value.empty() ? "" : " " + std::string(row.value));
}

// One line of the usage for `action`: the option that names it, or those it needs, then
// those it may take.
std::string usageLine(Takes action, std::string_view name) {
    std::string line = "tamblinor-cli" + (name.empty() ? "" : " " + std::string(name));
    for (const OptionRow& row : kRunOptions) {
        if (row.neededBy & action)
            line += " " + spelt(row);
    }
    for (const OptionRow& row : kRunOptions) {
        if (!(row.takenBy & action) || (row.neededBy & action))
            continue;
        line += " [" + spelt(row) + "]";
        if (std::holds_alternative<std::set<std::string> Options::*>(row.into))
            line += "...";
    }
    return line + " [FOLDER]";
}

std::string usage() {
    std::string text = "usage: " + usageLine(kRename, {}) + "\n";
    for (const ActionRow& action : kActions)
        text += "       " + usageLine(action.action, action.name) + "\n";
    return text;
}

// The usage lines first, then what the program does, its options and its exit statuses.
class HelpLayout : public CLI::Formatter {
public:
    HelpLayout() { column_width(25); }
    std::string make_help(const CLI::App* app, std::string,
                          CLI::AppFormatMode mode) const override {
        return usage() + "\n" + make_description(app) + make_groups(app, mode) + "\n" +
               make_footer(app);
    }
};

int usageError(const CLI::App& cli, const std::string& problem) {
    std::fprintf(stderr, "tamblinor-cli: %s\n%s", problem.c_str(), cli.help().c_str());
    return kExitUsage;
}

// CLI11's messages, in the program's words. CLI11 names the option first:
// "--birthday: 1 required YYYY-MM-DD missing", "dry-run was given a disallowed flag override".
std::string problemText(const CLI::ArgumentMismatch& error) {
    const std::string_view text = error.what();
    const std::string_view option = text.substr(0, text.find(':'));
    for (const OptionRow& row : kRunOptions) {
        if (!row.value.empty() && option == row.name)
            return std::string(option) + " needs a value";
        if (row.value.empty() && text.starts_with(std::string(row.name.substr(2)) + " "))
            return std::string(row.name) + " takes no value";
    }
    for (const ActionRow& action : kActions) {
        if (text.starts_with(std::string(action.name.substr(2)) + " "))
            return std::string(action.name) + " takes no value";
    }
    return std::string(text);
}

// "--undo takes no --birthday, --only or --all-media" where any of those was given.
std::optional<std::string> refusedWith(const ActionRow& action, const CLI::App& cli) {
    std::vector<std::string_view> refused;
    bool given = false;
    for (const OptionRow& row : kRunOptions) {
        if (row.takenBy & action.action)
            continue;
        refused.push_back(row.name);
        given = given || cli.count(std::string(row.name)) > 0;
    }
    if (!given)
        return std::nullopt;
    std::string text = std::string(action.name) + " takes no ";
    for (std::size_t i = 0; i < refused.size(); ++i)
        text += (i == 0 ? "" : i + 1 == refused.size() ? " or " : ", ") + std::string(refused[i]);
    return text;
}

} // namespace

std::variant<Options, int> parseOptions(int argc, char** argv) {
    Options options;
    CLI::App cli("Renames the *.jpg photos of FOLDER (default: the current folder) after the "
                 "child's\nage when each was taken, read from its Exif DateTimeOriginal; with "
                 "--all-media,\nits phone videos and HEIC photos too.",
                 "tamblinor-cli");
    cli.formatter(std::make_shared<HelpLayout>());
    cli.footer("Prints \"OLD -> NEW\" or \"OLD kept\" per photo. Exit statuses: see "
               "tamblinor-cli(1).");
    for (const OptionRow& row : kRunOptions) {
        const std::string name(row.name), help(row.help);
        if (const auto text = std::get_if<std::string Options::*>(&row.into)) {
            // Repeated, the last one counts, as in most programs.
            cli.add_option(name, options.*(*text), help)
                ->type_name(std::string(row.value))
                ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        } else if (const auto names = std::get_if<std::set<std::string> Options::*>(&row.into)) {
            cli.add_option(name, options.*(*names), help)
                ->type_name(std::string(row.value))
                ->allow_extra_args(false);
        } else {
            cli.add_flag(name, options.*std::get<bool Options::*>(row.into), help)
                ->disable_flag_override();
        }
    }
    std::array<bool, kActions.size()> chosen{};
    for (std::size_t i = 0; i < kActions.size(); ++i)
        cli.add_flag(std::string(kActions[i].name), chosen[i], std::string(kActions[i].help))
            ->disable_flag_override();
    cli.add_option("FOLDER", options.folder, "the folder of the photos");
    cli.set_help_flag("-h,--help", "print this help and exit");
    cli.set_version_flag("--version", "tamblinor-cli " TAMBLINOR_VERSION,
                         "print the version and exit");
    // Unknown options and a second folder are reported below, in the program's own words.
    cli.allow_extras();
    // Options are spelt alike on every system: on Windows CLI11 would also take "/name" for
    // an option, and so a folder written "/photos".
    cli.allow_windows_style_options(false);

    try {
        cli.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(cli.help().c_str(), stdout);
        return 0;
    } catch (const CLI::CallForVersion& version) {
        std::printf("%s\n", version.what());
        return 0;
    } catch (const CLI::ArgumentMismatch& error) {
        return usageError(cli, problemText(error));
    } catch (const CLI::ParseError& error) {
        return usageError(cli, error.what());
    }
    for (const std::string& extra : cli.remaining()) {
        if (extra == "--")
            continue; // ends the options; CLI11 keeps it among the extras
        return usageError(cli, extra.starts_with('-') && extra != "-"
                                   ? "unknown option " + extra
                                   : "more than one folder given");
    }
    if (std::count(chosen.begin(), chosen.end(), true) > 1)
        return usageError(cli, std::string(kActions[0].name) + " and " +
                                   std::string(kActions[1].name) + " go alone");
    for (std::size_t i = 0; i < kActions.size(); ++i) {
        if (!chosen[i])
            continue;
        if (const std::optional<std::string> problem = refusedWith(kActions[i], cli))
            return usageError(cli, *problem);
        options.action = kActions[i].action == kUndo ? Action::Undo : Action::History;
        return options;
    }
    for (const OptionRow& row : kRunOptions) {
        if ((row.neededBy & kRename) && cli.count(std::string(row.name)) == 0)
            return usageError(cli, std::string(row.name) + " is required");
    }
    return options;
}

} // namespace app
