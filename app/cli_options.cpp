#include "app/cli_options.h"

#include "app/exit_status.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string_view>

namespace app {
namespace {

constexpr std::string_view kUsage =
    "usage: tamblinor-cli --birthday YYYY-MM-DD [--only NAME]... [--all-media] [--dry-run]\n"
    "                     [FOLDER]\n"
    "       tamblinor-cli --undo [--dry-run] [FOLDER]\n"
    "       tamblinor-cli --history [FOLDER]\n";

// The usage line first, then what the program does, its options and its exit statuses.
class HelpLayout : public CLI::Formatter {
public:
    HelpLayout() { column_width(25); }
    std::string make_help(const CLI::App* app, std::string,
                          CLI::AppFormatMode mode) const override {
        return std::string(kUsage) + "\n" + make_description(app) + make_groups(app, mode) + "\n" +
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
    if (option == "--birthday" || option == "--only")
        return std::string(option) + " needs a value";
    for (const std::string_view flag : {"dry-run", "all-media", "undo", "history"}) {
        if (text.starts_with(std::string(flag) + " "))
            return "--" + std::string(flag) + " takes no value";
    }
    return std::string(text);
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
    // Repeated, the last one counts, as in most programs.
    const CLI::Option* birthday =
        cli.add_option("--birthday", options.birthday, "the child's birthday")
            ->type_name("YYYY-MM-DD")
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    // One name per --only: a name after it is the folder, as it would be after any option.
    cli.add_option("--only", options.only,
                   "rename only this photo (repeatable); default: every photo")
        ->type_name("NAME")
        ->allow_extra_args(false);
    cli.add_flag("--all-media", options.allMedia,
                 "also rename .jpeg photos, HEIC photos and phone videos (MP4, MOV, M4V, 3GP)")
        ->disable_flag_override();
    cli.add_flag("--dry-run", options.dryRun, "print what would happen without touching any file")
        ->disable_flag_override();
    bool undo = false, history = false;
    cli.add_flag("--undo", undo, "take back the last run on FOLDER; again: the one before")
        ->disable_flag_override();
    cli.add_flag("--history", history, "list the runs on record for FOLDER")
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
    if (undo && history)
        return usageError(cli, "--undo and --history go alone");
    if (undo || history) {
        options.action = undo ? Action::Undo : Action::History;
        if (birthday->count() > 0 || !options.only.empty() || options.allMedia)
            return usageError(cli, std::string(undo ? "--undo" : "--history") +
                                       " takes no --birthday, --only or --all-media");
        return options;
    }
    if (birthday->count() == 0)
        return usageError(cli, "--birthday is required");
    return options;
}

} // namespace app
