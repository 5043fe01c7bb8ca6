// IndexTree.h -- the records an index tree of a store points to, in the tree's order.
#pragma once

#include "mailstore/StoreImage.h"

#include <cstdint>
#include <vector>

namespace tessaly {

struct TreeWalk {
    std::vector<std::uint32_t> records; // each record once, in order
    std::size_t damagedNodes = 0;       // nodes left out: outside the file, a bad marker, seen twice
};

// Walks the tree from its root node without recursion. Every node is visited at most once, so a
// tree whose pointers form a cycle ends; a damaged node is counted and its subtree left out.
TreeWalk walkIndexTree(const StoreImage& image, std::uint32_t root);

} // namespace tessaly
