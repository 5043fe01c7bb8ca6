// MailFixtures.h -- generated messages and a generated identity's store folder, shared by the tests.
#pragma once

#include "DbxBuilder.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tessaly::test {

// n messages of every kind the reader must carry: "From " lines at all quoting depths, one that
// spans many blocks, 8-bit and long folded headers, one without a final line break, one of exactly
// one block, an empty body.
std::vector<BuiltMessage> variedMessages(std::size_t n);

// Writes a store folder: Folders.dbx naming Local Folders with Inbox (and its sub-folder Projects,
// which has a sub-folder 2026), Sent Items and an empty Drafts, a store the folder list does not name
// (Archive.dbx) and a .dbx file that is no message store. Returns the messages of each folder by its path.
std::map<std::string, std::vector<BuiltMessage>> writeStoreFolder(const std::filesystem::path& dir);

} // namespace tessaly::test
