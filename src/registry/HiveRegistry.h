// HiveRegistry.h -- the registry of a Windows user profile read from its hive files through libhivex, read
// only.
#pragma once

#include "registry/HiveHeader.h"
#include "registry/RegistryBackend.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessaly {

struct HiveFiles {
    std::filesystem::path user;                    // NTUSER.DAT: HKEY_CURRENT_USER
    std::optional<std::filesystem::path> software; // HKEY_LOCAL_MACHINE\SOFTWARE
    std::optional<std::filesystem::path> system;   // HKEY_LOCAL_MACHINE\SYSTEM
};

// Answers the calls as the Wine back end does (result codes, value types, raw data with strings in
// UTF-16LE) and compares names without regard to letter case beyond ASCII too. Subkeys and values
// are enumerated in the Wine back end's order, so that both give the same dumps. Every change is
// refused with kErrorAccessDenied; createKey opens a key that exists.
class HiveRegistry : public RegistryBackend {
public:
    // Opens every hive given; throws HiveError naming the first one that is damaged.
    explicit HiveRegistry(const HiveFiles& files);
    ~HiveRegistry() override;
    HiveRegistry(const HiveRegistry&) = delete;
    HiveRegistry& operator=(const HiveRegistry&) = delete;

    // What the user should know about the hives (one sentence for each dirty hive); empty when clean.
    const std::string& warning() const { return warning_; }

    // Always throws: nothing is ever written to these hives.
    void checkCanChange() const override;

    long openKey(HKEY parent, std::u16string_view subKey, HKEY* result) override;
    long createKey(HKEY parent, std::u16string_view subKey, HKEY* result) override;
    long deleteKey(HKEY parent, std::u16string_view subKey) override;
    long closeKey(HKEY key) override;
    long enumKey(HKEY key, std::uint32_t index, std::u16string* name) override;
    long enumValue(HKEY key, std::uint32_t index, std::u16string* name, std::uint32_t* type,
                   std::string* data) override;
    long queryValue(HKEY key, std::u16string_view name, std::uint32_t* type, std::string* data) override;
    long setValue(HKEY key, std::u16string_view name, std::uint32_t type, std::string_view data) override;
    long deleteValue(HKEY key, std::u16string_view name) override;

private:
    struct Hive;
    // A key: a node of one hive, or (hive -1) the root of HKEY_LOCAL_MACHINE that holds the machine hives.
    struct Node {
        int hive = -1;
        std::size_t node = 0;
        bool operator<(const Node& o) const { return std::pair(hive, node) < std::pair(o.hive, o.node); }
    };
    struct Child {
        std::u16string name;
        Node node;
    };
    struct Value {
        std::u16string name;
        std::size_t handle = 0;
    };

    std::vector<std::unique_ptr<Hive>> hives_; // the user's hive first
    int softwareHive_ = -1;
    int systemHive_ = -1;
    std::string warning_;
    std::map<HKEY, Node> handles_;
    HKEY nextHandle_ = 0x100;
    std::map<Node, std::vector<Child>> children_;
    std::map<Node, std::vector<Value>> values_;

    int openHive(const std::filesystem::path& file);
    bool resolve(HKEY key, Node* out) const;
    const std::vector<Child>& children(const Node& node);
    const std::vector<Value>& values(const Node& node);
    std::optional<Node> child(const Node& node, std::u16string_view name);
    std::optional<Node> find(Node from, std::u16string_view path);
    long readValue(const Node& node, std::size_t handle, std::uint32_t* type, std::string* data);
    [[noreturn]] void damaged(int hive, const std::string& what) const;
};

} // namespace tessaly
