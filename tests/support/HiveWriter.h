// HiveWriter.h -- registry hive files for tests: an empty hive from the format's layout, filled through
// hivex.
#pragma once

#include "registry/WineHive.h"

#include <filesystem>

namespace tessaly::test {

// Writes a hive holding only its root key (and the root's security cell): the 4096-byte base block
// with its checksum, then one 4096-byte hive bin.
void writeEmptyHive(const std::filesystem::path& file);

// Writes an empty hive and copies every key and value below `from` into it with hivex's write API.
void writeHive(const std::filesystem::path& file, const RegKey& from);

// The machine's hives as Windows keeps them, from a Wine system.reg tree: `software` gets the keys
// below Software, `system` those below System with CurrentControlSet stored as ControlSet001 and
// Select\Current naming it.
void writeMachineHives(const WineHive& machine, const std::filesystem::path& software,
                       const std::filesystem::path& system);

// Marks a hive as Windows leaves it when it stops while writing: sequence numbers that differ.
void markHiveDirty(const std::filesystem::path& file);

} // namespace tessaly::test
