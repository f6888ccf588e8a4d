#include "movies/atom_container.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/byte_order.h"
#include "memory/memory.h"

namespace qtml::atoms {
namespace {

constexpr long kLockCountOffset = 10;
constexpr uint32_t kMaxContainerSize = std::numeric_limits<int32_t>::max();

uint8_t* Bytes(QTAtomContainer container) {
  return reinterpret_cast<uint8_t*>(*container);
}

Node ReadNode(const uint8_t* bytes, QTAtom offset, int parent) {
  const uint8_t* at = bytes + offset;
  return Node{offset,
              ReadBE32(at),
              ReadBE32(at + 4),
              static_cast<QTAtomID>(ReadBE32(at + 8)),
              ReadBE16(at + 14),
              parent};
}

void WriteHeader(uint8_t* at, uint32_t size, QTAtomType type, QTAtomID id, uint16_t children) {
  std::memset(at, 0, kAtomHeaderSize);
  WriteBE32(at, size);
  WriteBE32(at + 4, type);
  WriteBE32(at + 8, static_cast<uint32_t>(id));
  WriteBE16(at + 14, children);
}

// Adds `delta` to the size of `node` and of every atom above it. Those
// headers all lie before any bytes inserted or removed inside `node`.
void AdjustSizes(QTAtomContainer container, const Tree& tree, int node, long delta) {
  for (int at = node; at >= 0; at = tree[at].parent) {
    uint8_t* header = Bytes(container) + tree[at].offset;
    WriteBE32(header, static_cast<uint32_t>(static_cast<long>(ReadBE32(header)) + delta));
  }
}

void SetChildCount(QTAtomContainer container, const Node& node, long count) {
  WriteBE16(Bytes(container) + node.offset + 14, static_cast<uint16_t>(count));
}

bool HasRoom(const Tree& tree, long more) {
  return static_cast<long>(tree[0].size) + kContainerHeaderSize + more <=
         static_cast<long>(kMaxContainerSize);
}

// The node for `atom` in a freshly parsed tree of `container`.
OSErr Locate(QTAtomContainer container, QTAtom atom, Tree* tree, int* node) {
  OSErr err = tree->Parse(container);
  if (err != noErr) return err;
  *node = tree->Find(atom);
  return *node < 0 ? invalidAtomErr : noErr;
}

// A node whose bytes are data: no children, and not the root.
OSErr CheckLeaf(const Tree& tree, int node) {
  return node == 0 || tree[node].childCount > 0 ? notLeafAtomErr : noErr;
}

// A node that may take children: a parent, or a leaf without data.
OSErr CheckParent(const Tree& tree, int node) {
  const Node& n = tree[node];
  return n.childCount == 0 && n.size > kAtomHeaderSize && node != 0 ? cannotBeLeafAtomErr : noErr;
}

QTAtomID UnusedID(const Tree& tree, const std::vector<int>& siblings) {
  QTAtomID id = 1;
  while (std::any_of(siblings.begin(), siblings.end(), [&](int s) { return tree[s].id == id; })) {
    ++id;
  }
  return id;
}

}  // namespace

OSErr Tree::Parse(QTAtomContainer container) {
  nodes_.clear();
  if (container == nullptr) return paramErr;
  if (!IsHandle(container)) return memWZErr;
  long total = HandleSize(container);
  if (total < kContainerHeaderSize + kAtomHeaderSize) return invalidAtomContainerErr;
  const uint8_t* bytes = Bytes(container);
  Node root = ReadNode(bytes, kRootOffset, -1);
  if (root.size < kAtomHeaderSize || root.size > total - kContainerHeaderSize) {
    return invalidAtomContainerErr;
  }
  struct Open {
    int node;
    uint32_t next;
    uint32_t end;
    uint32_t remaining;
  };
  // Walk with an explicit stack: nesting depth is bounded only by the bytes.
  nodes_.push_back(root);
  std::vector<Open> open{{0, static_cast<uint32_t>(root.offset + kAtomHeaderSize),
                          static_cast<uint32_t>(root.offset) + root.size, root.childCount}};
  while (!open.empty()) {
    Open& top = open.back();
    if (top.remaining == 0) {
      if (top.next != top.end && nodes_[static_cast<size_t>(top.node)].childCount > 0) {
        return invalidAtomContainerErr;
      }
      open.pop_back();
      continue;
    }
    if (top.end - top.next < kAtomHeaderSize) return invalidAtomContainerErr;
    Node child = ReadNode(bytes, static_cast<QTAtom>(top.next), top.node);
    if (child.size < kAtomHeaderSize || child.size > top.end - top.next) {
      return invalidAtomContainerErr;
    }
    top.next += child.size;
    --top.remaining;
    nodes_.push_back(child);
    if (child.childCount > 0) {
      open.push_back({static_cast<int>(nodes_.size() - 1),
                      static_cast<uint32_t>(child.offset + kAtomHeaderSize),
                      static_cast<uint32_t>(child.offset) + child.size, child.childCount});
    }
  }
  return noErr;
}

int Tree::Find(QTAtom atom) const {
  if (atom == kParentAtomIsContainer) return nodes_.empty() ? -1 : 0;
  auto found =
      std::lower_bound(nodes_.begin(), nodes_.end(), atom,
                       [](const Node& node, QTAtom offset) { return node.offset < offset; });
  if (found == nodes_.end() || found->offset != atom) return -1;
  return static_cast<int>(found - nodes_.begin());
}

std::vector<int> Tree::Children(int node) const {
  std::vector<int> children;
  const Node& parent = nodes_[static_cast<size_t>(node)];
  for (size_t i = static_cast<size_t>(node) + 1;
       i < nodes_.size() && nodes_[i].offset < parent.offset + static_cast<QTAtom>(parent.size);
       ++i) {
    if (nodes_[i].parent == node) children.push_back(static_cast<int>(i));
  }
  return children;
}

std::vector<int> Tree::ChildrenOfType(int node, QTAtomType type) const {
  std::vector<int> children = Children(node);
  children.erase(std::remove_if(children.begin(), children.end(),
                                [&](int child) { return (*this)[child].type != type; }),
                 children.end());
  return children;
}

OSErr NewContainer(QTAtomContainer* container) noexcept {
  OSErr err = noErr;
  Handle h = NewHandleBytes(kContainerHeaderSize + kAtomHeaderSize, true, &err);
  if (h != nullptr) WriteHeader(Bytes(h) + kRootOffset, kAtomHeaderSize, kRootType, 1, 0);
  *container = h;
  return err;
}

void DisposeContainer(QTAtomContainer container) noexcept {
  FreeHandle(container);
}

OSErr InsertChild(QTAtomContainer container, QTAtom parent, QTAtomType type, QTAtomID id,
                  short index, long dataSize, const void* data, QTAtom* newAtom) {
  if (newAtom != nullptr) *newAtom = 0;
  Tree tree;
  int p = -1;
  OSErr err = Locate(container, parent, &tree, &p);
  if (err == noErr) err = CheckParent(tree, p);
  if (err != noErr) return err;
  if (type == 0) return invalidAtomTypeErr;
  if (dataSize < 0 || !HasRoom(tree, kAtomHeaderSize + dataSize)) return paramErr;
  if (tree[p].childCount == 0xFFFF) return paramErr;
  std::vector<int> siblings = tree.ChildrenOfType(p, type);
  if (id == 0) {
    id = UnusedID(tree, siblings);
  } else if (std::any_of(siblings.begin(), siblings.end(),
                         [&](int s) { return tree[s].id == id; })) {
    return duplicateAtomTypeAndIDErr;
  }
  long count = static_cast<long>(siblings.size());
  if (index < 0 || index > count + 1) return atomIndexInvalidErr;
  QTAtom at = index == 0 || index == count + 1
                  ? tree[p].offset + static_cast<QTAtom>(tree[p].size)
                  : tree[siblings[static_cast<size_t>(index - 1)]].offset;
  std::vector<uint8_t> atom(static_cast<size_t>(kAtomHeaderSize + dataSize), 0);
  WriteHeader(atom.data(), static_cast<uint32_t>(atom.size()), type, id, 0);
  if (data != nullptr && dataSize > 0)
    std::memcpy(atom.data() + kAtomHeaderSize, data, static_cast<size_t>(dataSize));
  err = InsertHandleBytes(container, at, atom.data(), static_cast<Size>(atom.size()));
  if (err != noErr) return err;
  AdjustSizes(container, tree, p, static_cast<long>(atom.size()));
  SetChildCount(container, tree[p], tree[p].childCount + 1);
  if (newAtom != nullptr) *newAtom = at;
  return noErr;
}

OSErr InsertChildren(QTAtomContainer container, QTAtom parent, QTAtomContainer children) {
  Tree tree;
  Tree source;
  int p = -1;
  OSErr err = Locate(container, parent, &tree, &p);
  if (err == noErr) err = CheckParent(tree, p);
  if (err == noErr) err = source.Parse(children);
  if (err != noErr) return err;
  std::vector<int> incoming = source.Children(0);
  for (int child : incoming) {
    for (int existing : tree.ChildrenOfType(p, source[child].type)) {
      if (tree[existing].id == source[child].id) return duplicateAtomTypeAndIDErr;
    }
  }
  long length = static_cast<long>(source[0].size) - kAtomHeaderSize;
  long count = tree[p].childCount + static_cast<long>(incoming.size());
  if (!HasRoom(tree, length) || count > 0xFFFF) return paramErr;
  // Copied out first: the children may come from this very container.
  const uint8_t* first = Bytes(children) + kRootOffset + kAtomHeaderSize;
  std::vector<uint8_t> bytes(first, first + length);
  err = InsertHandleBytes(container, tree[p].offset + static_cast<QTAtom>(tree[p].size),
                          bytes.data(), length);
  if (err != noErr) return err;
  AdjustSizes(container, tree, p, length);
  SetChildCount(container, tree[p], count);
  return noErr;
}

OSErr FindChildByIndex(QTAtomContainer container, QTAtom parent, QTAtomType type, short index,
                       QTAtom* atom, QTAtomID* id) {
  *atom = 0;
  Tree tree;
  int p = -1;
  OSErr err = Locate(container, parent, &tree, &p);
  if (err != noErr) return err;
  std::vector<int> matches = tree.ChildrenOfType(p, type);
  if (index < 1 || index > static_cast<long>(matches.size())) return cannotFindAtomErr;
  const Node& found = tree[matches[static_cast<size_t>(index - 1)]];
  *atom = found.offset;
  if (id != nullptr) *id = found.id;
  return noErr;
}

OSErr FindChildByID(QTAtomContainer container, QTAtom parent, QTAtomType type, QTAtomID id,
                    QTAtom* atom, short* index) {
  *atom = 0;
  Tree tree;
  int p = -1;
  OSErr err = Locate(container, parent, &tree, &p);
  if (err != noErr) return err;
  std::vector<int> matches = tree.ChildrenOfType(p, type);
  for (size_t i = 0; i < matches.size(); ++i) {
    if (tree[matches[i]].id != id) continue;
    *atom = tree[matches[i]].offset;
    if (index != nullptr) *index = static_cast<short>(i + 1);
    return noErr;
  }
  return cannotFindAtomErr;
}

OSErr CountChildren(QTAtomContainer container, QTAtom parent, QTAtomType type, bool anyType,
                    short* count) {
  *count = 0;
  Tree tree;
  int p = -1;
  OSErr err = Locate(container, parent, &tree, &p);
  if (err != noErr) return err;
  size_t found = anyType ? tree.Children(p).size() : tree.ChildrenOfType(p, type).size();
  *count = static_cast<short>(found);
  return noErr;
}

OSErr NextChildType(QTAtomContainer container, QTAtom parent, QTAtomType current,
                    QTAtomType* next) {
  *next = 0;
  Tree tree;
  int p = -1;
  OSErr err = Locate(container, parent, &tree, &p);
  if (err != noErr) return err;
  std::vector<QTAtomType> types;
  for (int child : tree.Children(p)) {
    if (std::find(types.begin(), types.end(), tree[child].type) == types.end()) {
      types.push_back(tree[child].type);
    }
  }
  if (current == 0) {
    if (!types.empty()) *next = types.front();
    return noErr;
  }
  auto at = std::find(types.begin(), types.end(), current);
  if (at != types.end() && at + 1 != types.end()) *next = *(at + 1);
  return noErr;
}

OSErr CopyAtom(QTAtomContainer container, QTAtom atom, QTAtomContainer* target) {
  *target = nullptr;
  Tree tree;
  int n = -1;
  OSErr err = Locate(container, atom, &tree, &n);
  if (err != noErr) return err;
  const Node& node = tree[n];
  bool whole = n == 0;
  long size = kContainerHeaderSize + (whole ? 0 : kAtomHeaderSize) + static_cast<long>(node.size);
  if (!whole && size > static_cast<long>(kMaxContainerSize)) return paramErr;
  Handle copy = NewHandleBytes(size, true, &err);
  if (copy == nullptr) return err;
  uint8_t* out = Bytes(copy);
  if (whole) {
    std::memcpy(out, Bytes(container), static_cast<size_t>(size));
    WriteBE16(out + kLockCountOffset, 0);
  } else {
    WriteHeader(out + kRootOffset, static_cast<uint32_t>(kAtomHeaderSize + node.size), kRootType, 1,
                1);
    std::memcpy(out + kRootOffset + kAtomHeaderSize, Bytes(container) + node.offset, node.size);
  }
  *target = copy;
  return noErr;
}

OSErr GetData(QTAtomContainer container, QTAtom atom, const char** data, long* size) {
  Tree tree;
  int n = -1;
  OSErr err = Locate(container, atom, &tree, &n);
  if (err == noErr) err = CheckLeaf(tree, n);
  if (err != noErr) return err;
  *data = *container + tree[n].offset + kAtomHeaderSize;
  *size = static_cast<long>(tree[n].size) - kAtomHeaderSize;
  return noErr;
}

OSErr SetData(QTAtomContainer container, QTAtom atom, long size, const void* data) {
  Tree tree;
  int n = -1;
  OSErr err = Locate(container, atom, &tree, &n);
  if (err == noErr) err = CheckLeaf(tree, n);
  if (err != noErr) return err;
  if (size < 0 || (data == nullptr && size > 0)) return paramErr;
  long old = static_cast<long>(tree[n].size) - kAtomHeaderSize;
  if (!HasRoom(tree, size - old)) return paramErr;
  // The new data may lie inside this container, which can move.
  std::vector<uint8_t> copy(static_cast<const uint8_t*>(data),
                            static_cast<const uint8_t*>(data) + size);
  QTAtom start = tree[n].offset + static_cast<QTAtom>(kAtomHeaderSize);
  err = size > old ? InsertHandleBytes(container, start + old, nullptr, size - old)
                   : RemoveHandleBytes(container, start + size, old - size);
  if (err != noErr) return err;
  if (size > 0) std::memcpy(Bytes(container) + start, copy.data(), static_cast<size_t>(size));
  AdjustSizes(container, tree, n, size - old);
  return noErr;
}

OSErr GetTypeAndID(QTAtomContainer container, QTAtom atom, QTAtomType* type, QTAtomID* id) {
  Tree tree;
  int n = -1;
  OSErr err = Locate(container, atom, &tree, &n);
  if (err != noErr) return err;
  if (type != nullptr) *type = tree[n].type;
  if (id != nullptr) *id = tree[n].id;
  return noErr;
}

OSErr RemoveAtom(QTAtomContainer container, QTAtom atom) {
  Tree tree;
  int n = -1;
  OSErr err = Locate(container, atom, &tree, &n);
  if (err != noErr) return err;
  if (n == 0) return paramErr;  // the root stays
  const Node& node = tree[n];
  err = RemoveHandleBytes(container, node.offset, node.size);
  if (err != noErr) return err;
  AdjustSizes(container, tree, node.parent, -static_cast<long>(node.size));
  SetChildCount(container, tree[node.parent], tree[node.parent].childCount - 1);
  return noErr;
}

OSErr RemoveChildren(QTAtomContainer container, QTAtom atom) {
  Tree tree;
  int n = -1;
  OSErr err = Locate(container, atom, &tree, &n);
  if (err != noErr || tree[n].childCount == 0) return err;
  const Node& node = tree[n];
  long length = static_cast<long>(node.size) - kAtomHeaderSize;
  err = RemoveHandleBytes(container, node.offset + kAtomHeaderSize, length);
  if (err != noErr) return err;
  AdjustSizes(container, tree, n, -length);
  SetChildCount(container, node, 0);
  return noErr;
}

OSErr Lock(QTAtomContainer container) {
  Tree tree;
  OSErr err = tree.Parse(container);
  if (err != noErr) return err;
  uint16_t count = ReadBE16(Bytes(container) + kLockCountOffset);
  if (count == 0xFFFF) return paramErr;
  WriteBE16(Bytes(container) + kLockCountOffset, static_cast<uint16_t>(count + 1));
  if (count == 0)
    SetHandleState(container, static_cast<SInt8>(HandleState(container) | kHandleLockedMask));
  return noErr;
}

OSErr Unlock(QTAtomContainer container) {
  Tree tree;
  OSErr err = tree.Parse(container);
  if (err != noErr) return err;
  uint16_t count = ReadBE16(Bytes(container) + kLockCountOffset);
  if (count == 0) return paramErr;
  WriteBE16(Bytes(container) + kLockCountOffset, static_cast<uint16_t>(count - 1));
  if (count == 1)
    SetHandleState(container, static_cast<SInt8>(HandleState(container) & ~kHandleLockedMask));
  return noErr;
}

}  // namespace qtml::atoms
