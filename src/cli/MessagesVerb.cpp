// MessagesVerb.cpp -- tessaly-cli messages list|export: an identity's mail, from a profile or a backup
// file, listed or written as mbox or .eml files.
#include "archive/ArchiveError.h"
#include "cli/CliCommon.h"
#include "cli/PasswordOption.h"
#include "cli/Verbs.h"
#include "engine/IdentityTable.h"
#include "engine/MessageSources.h"
#include "mailstore/FileTime.h"
#include "mailstore/MessageExport.h"
#include "mailstore/SafeNames.h"
#include "platform/TempFiles.h"
#include "platform/UnnamedFile.h"

#include <iostream>

namespace tessaly::cli {

namespace {

const char* kUsage =
    "usage: tessaly-cli messages list FILE|--identity NAME|KEY [--folder F] [--password-stdin] [--profile "
    "DIR]\n"
    "       tessaly-cli messages export FILE|--identity NAME|KEY --to DIR [--format mbox|eml] [--folder F]\n"
    "                                   [--password-stdin] [--profile DIR]\n"
    "Reads the mail client's message stores of a backup file (FILE, either protection) or of an identity of\n"
    "the profile. list prints the folders with their message counts, then date, sender and subject of\n"
    "each message. export writes into DIR one mbox file (mboxrd) per folder, sub-folders in <name>.sbd\n"
    "folders, or with --format eml one folder per folder and one .eml file per message, its bytes as\n"
    "stored. Existing files are never replaced. --folder F takes only the folder F (its name or its path\n"
    "as list shows it). A backup file's plain contents are never written anywhere but DIR.\n"
    "SIGINT or SIGTERM stops an export; the files written until then are complete (exit code 130 or 143).\n"
    "Exit code 1 when a store or a message could not be read (damaged ones are skipped and counted, the\n"
    "rest is still listed or written), 2 for a wrong password or wrong arguments.\n";

// The stores to read and what keeps their plain copies alive.
struct Source {
    std::unique_ptr<UnnamedFile> archive;
    StoreFiles stores;
};

std::optional<int> openSource(const CommonOptions& options, const std::optional<std::filesystem::path>& spare,
                              Source& source) {
    TerminalUi ui(options.yes);
    std::unique_ptr<ProfileSession> session = openProfile(options, ui);
    if (auto identity = options.value("--identity")) {
        IdentityTable table;
        bool notInstalled = false;
        EnumerateIdentities(session->modReg(), table, notInstalled);
        const IdentityColumn* id = findIdentity(table, *identity);
        if (!id)
            throw std::invalid_argument("no identity named \"" + *identity +
                                        "\"; 'tessaly-cli identities' lists them");
        source.stores = storesInFolder(identityStoreFolder(*session, id->key));
        return std::nullopt;
    }
    std::filesystem::path file = options.positional[1];
    // The opened archive has no name on disk, so nothing plain outlives the run.
    source.archive = std::make_unique<UnnamedFile>(
        std::initializer_list<std::filesystem::path>{hostTempDir(), spare.value_or(hostTempDir())});
    std::optional<std::string> given = passwordFromOptions(options.has("--password-stdin"));
    if (auto code = openWithPassword(file, given, source.archive->path(), session->codePage(), ui))
        return code;
    try {
        source.stores = storesInArchive(source.archive->path(), spare.value_or(hostTempDir()), ui);
    } catch (const ArchiveError& e) {
        return fail(kExitFailed,
                    file.string() + " is damaged: its archive cannot be read (" + e.description() + ")");
    }
    return std::nullopt;
}

int list(MailCollection& mail, const std::optional<std::string>& only, std::size_t unreadable) {
    std::size_t damaged = mail.folderListDamage() + unreadable;
    std::cout << "Folders:\n";
    for (const MailFolder& f : mail.folders()) {
        std::cout << std::string(2 + 2 * f.depth(), ' ') << storeText(f.path.back());
        if (f.store)
            std::cout << ": " << f.store->messages().size() << " message(s)";
        else if (f.storeMissing)
            std::cout << ": no store file " << storeText(f.storeFile);
        std::cout << '\n';
    }
    std::string text;
    for (const MailFolder& f : mail.folders()) {
        if (only && !folderMatches(f, *only))
            continue;
        if (!f.store || f.store->messages().empty())
            continue;
        damaged += f.store->damaged();
        std::cout << '\n' << storeText(f.displayPath()) << ":\n";
        for (const MessageEntry& m : f.store->messages())
            std::cout << "  " << listingTime(m.time) << '\t' << storeText(m.sender) << '\t'
                      << storeText(m.subject) << '\n';
    }
    if (damaged)
        return fail(kExitFailed, std::to_string(damaged) + " damaged message(s) or store(s) left out");
    return kExitOk;
}

int exportTo(MailCollection& mail, const std::filesystem::path& dir, ExportFormat format,
             const std::optional<std::string>& only, std::size_t unreadable, bool yes) {
    TerminalUi ui(yes);
    StopOnSignals stop;
    ui.setProgressSpan(0, 100);
    ui.setStatusText("Exporting messages...");
    ui.showProgress(true);
    ExportSummary s;
    try {
        s = exportMessages(mail, dir, format, only, ui);
    } catch (const RunStopped&) {
        ui.showProgress(false);
        std::cerr << "tessaly-cli: stopped; the files written so far in " << dir.string() << " are complete"
                  << std::endl;
        return StopOnSignals::exitCode();
    }
    ui.showProgress(false);
    std::cout << describeExport(s, dir) << '\n';
    return s.damaged || unreadable ? kExitFailed : kExitOk;
}

} // namespace

int runMessages(const Args& args) {
    CommonOptions options =
        parseCommonOptions(args, {"--identity", "--folder", "--to", "--format"}, {"--password-stdin"});
    if (options.help) {
        std::cout << kUsage;
        return kExitOk;
    }
    const std::vector<std::string>& p = options.positional;
    bool exporting = !p.empty() && p[0] == "export";
    bool fromFile = p.size() == 2;
    if (p.empty() || (p[0] != "list" && !exporting) || p.size() > 2 ||
        fromFile == options.value("--identity").has_value())
        return fail(kExitRefused,
                    std::string("say list or export, and either FILE or --identity\n") + kUsage);
    std::optional<std::string> to = options.value("--to");
    std::string formatName = options.value("--format").value_or("mbox");
    if (exporting && !to)
        return fail(kExitRefused, "export needs --to DIR");
    if (!exporting && (to || options.value("--format")))
        return fail(kExitRefused, "--to and --format belong to export");
    if (formatName != "mbox" && formatName != "eml")
        return fail(kExitRefused, "--format takes mbox or eml");
    std::optional<std::filesystem::path> spare;
    if (to)
        spare = *to;
    Source source;
    try {
        if (auto code = openSource(options, spare, source))
            return *code;
    } catch (const std::runtime_error& e) {
        return fail(kExitFailed, e.what());
    }
    for (const std::string& problem : source.stores.problems)
        std::cerr << "tessaly-cli: " << problem << std::endl;
    const std::size_t unreadable = source.stores.problems.size();
    MailCollection mail(std::move(source.stores.images));
    std::optional<std::string> only = options.value("--folder");
    if (only && std::none_of(mail.folders().begin(), mail.folders().end(),
                             [&](const MailFolder& f) { return folderMatches(f, *only); }))
        return fail(kExitRefused,
                    "no folder named \"" + *only + "\"; 'tessaly-cli messages list' shows them");
    if (!exporting)
        return list(mail, only, unreadable);
    return exportTo(mail, *to, formatName == "eml" ? ExportFormat::Eml : ExportFormat::Mbox, only, unreadable,
                    options.yes);
}

} // namespace tessaly::cli
