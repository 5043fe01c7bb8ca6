// IndexTree.cpp -- an in-order walk of a store's index tree with an explicit stack and a visited set.
#include "mailstore/IndexTree.h"

#include "mailstore/DbxLayout.h"

#include <unordered_set>

namespace tessaly {

namespace {

struct Frame {
    std::uint32_t node;
    unsigned next; // the entry whose record comes next; the node's first child was already walked
};

} // namespace

TreeWalk walkIndexTree(const StoreImage& image, std::uint32_t root) {
    TreeWalk walk;
    if (root == 0)
        return walk;
    std::unordered_set<std::uint32_t> nodes;
    std::unordered_set<std::uint32_t> records;
    std::vector<Frame> stack;
    // Enters a node: checks it, then goes down its first-child chain.
    auto enter = [&](std::uint32_t node) {
        while (node != 0) {
            if (!nodes.insert(node).second || !image.has(node, dbx::kNodeSize) || *image.u32(node) != node ||
                image.data()[node + 0x11] > dbx::kMaxNodeEntries) {
                ++walk.damagedNodes;
                return;
            }
            stack.push_back({node, 0});
            node = *image.u32(node + 8);
        }
    };
    enter(root);
    while (!stack.empty()) {
        Frame& top = stack.back();
        unsigned count = image.data()[top.node + 0x11];
        if (top.next >= count) {
            stack.pop_back();
            continue;
        }
        std::uint64_t entry = top.node + dbx::kNodeHeaderSize + std::uint64_t(top.next) * dbx::kNodeEntrySize;
        ++top.next;
        std::uint32_t record = *image.u32(entry);
        std::uint32_t child = *image.u32(entry + 4);
        if (record != 0 && records.insert(record).second)
            walk.records.push_back(record);
        enter(child); // may grow the stack: `top` is not used after this
    }
    return walk;
}

} // namespace tessaly
