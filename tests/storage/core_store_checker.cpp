#include "core_store_checker.hpp"

#include <set>
#include <sstream>
#include <string>

#include "storage/core_store.hpp"

namespace storage_testing {
namespace {

using storage::CORSTO;
namespace block = storage::block;

struct TreeWalk {
  std::set<std::int32_t> nodes;
  std::string fault;
  std::int64_t lastLength = -1;
};

// Returns the subtree's height, or -1 after a fault.
int walk(std::int32_t node, std::int32_t parent, std::int32_t link, TreeWalk& w, int depth) {
  if (node == 0) return 0;
  std::ostringstream out;
  if (depth > 64) {
    w.fault = "tree deeper than 64";
    return -1;
  }
  if (!w.nodes.insert(node).second) {
    out << "block " << node << " twice in the tree";
    w.fault = out.str();
    return -1;
  }
  if (CORSTO[node + block::kH1] != node) {
    out << "tree node " << node << " is not a free block";
    w.fault = out.str();
    return -1;
  }
  if (CORSTO[node + block::kParent] != parent || CORSTO[node + block::kLink] != link) {
    out << "node " << node << " has parent/link " << CORSTO[node + block::kParent] << "/"
        << CORSTO[node + block::kLink] << ", expected " << parent << "/" << link;
    w.fault = out.str();
    return -1;
  }
  const int left = walk(CORSTO[node + block::kSmaller], node, block::kSmaller, w, depth + 1);
  if (left < 0) return -1;
  const std::int32_t length = CORSTO[node + block::kH2];
  if (length < w.lastLength) {
    out << "tree out of order at " << node;
    w.fault = out.str();
    return -1;
  }
  w.lastLength = length;
  const int right = walk(CORSTO[node + block::kLarger], node, block::kLarger, w, depth + 1);
  if (right < 0) return -1;
  const int balance = right - left;
  if (balance < -1 || balance > 1 || CORSTO[node + block::kBalance] != balance) {
    out << "node " << node << " balance word " << CORSTO[node + block::kBalance]
        << ", true balance " << balance;
    w.fault = out.str();
    return -1;
  }
  return 1 + std::max(left, right);
}

}  // namespace

std::string checkCoreStore(CoreStoreCensus* census) {
  CoreStoreCensus c;
  std::set<std::int32_t> freeBlocks;
  std::ostringstream out;
  for (std::int32_t a = 1; a <= storage::CMCTL.areaCount; ++a) {
    const auto area = static_cast<std::size_t>(a);
    const std::int32_t first = storage::CMCTL.areaFirstBase(area);
    const std::int32_t last = storage::CMCTL.areaLastUsable(area);
    if (CORSTO[first] != 0 || CORSTO[first - 1] != 0 || CORSTO[last + 1] != 0 ||
        CORSTO[last + 2] != 0) {
      out << "area " << a << " end words are not 0";
      return out.str();
    }
    bool previousFree = false;
    std::int32_t b = first;
    while (b < last) {
      const std::int32_t h1 = CORSTO[b + block::kH1];
      const std::int32_t len = CORSTO[b + block::kH2];
      if (len < storage::kMinBlockWords || len % 2 != 0 || b + len > last) {
        out << "area " << a << " block " << b << " has length " << len;
        return out.str();
      }
      const std::int32_t t1 = CORSTO[b + len - 1];
      const std::int32_t t2 = CORSTO[b + len];
      const bool free = h1 == b;
      if (t1 != len || (free ? t2 != b : (h1 != 0 || t2 != 0))) {
        out << "block " << b << " tags " << h1 << " " << len << " " << t1 << " " << t2;
        return out.str();
      }
      if (free) {
        if (previousFree) {
          out << "adjacent free blocks ending at " << b;
          return out.str();
        }
        freeBlocks.insert(b);
        c.freeBlocks += 1;
        c.freeWords += len;
      } else {
        c.allocatedBlocks += 1;
      }
      previousFree = free;
      b += len;
    }
    if (b != last) {
      out << "area " << a << " blocks end at " << b << ", not " << last;
      return out.str();
    }
  }

  TreeWalk w;
  const std::int32_t root = CORSTO[storage::kTreeHead + block::kLarger];
  const int height = walk(root, storage::kTreeHead, block::kLarger, w, 0);
  if (height < 0) return w.fault;
  if (CORSTO[storage::kTreeHead + block::kSmaller] != 0) return "head has a smaller child";
  if (w.nodes != freeBlocks) return "free blocks and tree nodes differ";
  c.treeNodes = static_cast<std::int32_t>(w.nodes.size());
  c.treeHeight = height;
  if (census != nullptr) *census = c;
  return {};
}

}  // namespace storage_testing
