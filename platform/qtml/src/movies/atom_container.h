// QT atom containers as bytes in a handle (layout in Movies.h), for the
// public atom calls and for every part of the engine that builds or reads
// containers (effects lists, settings, sample descriptions).
//
// Each call checks the whole container first, so bytes copied in from
// anywhere are safe to use: a malformed container answers
// invalidAtomContainerErr, an offset that is not an atom invalidAtomErr.
#pragma once

#include <cstdint>
#include <vector>

#include "Movies.h"

namespace qtml::atoms {

constexpr long kContainerHeaderSize = 12;
constexpr long kAtomHeaderSize = 20;
constexpr QTAtom kRootOffset = kContainerHeaderSize;
constexpr QTAtomType kRootType = 'sean';

struct Node {
  QTAtom offset;
  uint32_t size;  // header included
  QTAtomType type;
  QTAtomID id;
  uint16_t childCount;
  int parent;  // index of the parent node; -1 for the root
};

// The atoms of one container, root first, in byte order.
class Tree {
 public:
  OSErr Parse(QTAtomContainer container);
  // The node for an atom argument (kParentAtomIsContainer: the root), or -1.
  int Find(QTAtom atom) const;
  const Node& operator[](int index) const { return nodes_[static_cast<size_t>(index)]; }
  std::vector<int> Children(int node) const;
  std::vector<int> ChildrenOfType(int node, QTAtomType type) const;

 private:
  std::vector<Node> nodes_;
};

// A new, empty container (the root alone), owned by the caller.
OSErr NewContainer(QTAtomContainer* container) noexcept;
void DisposeContainer(QTAtomContainer container) noexcept;

OSErr InsertChild(QTAtomContainer container, QTAtom parent, QTAtomType type, QTAtomID id,
                  short index, long dataSize, const void* data, QTAtom* newAtom);
OSErr InsertChildren(QTAtomContainer container, QTAtom parent, QTAtomContainer children);
// cannotFindAtomErr when there is no such child.
OSErr FindChildByIndex(QTAtomContainer container, QTAtom parent, QTAtomType type, short index,
                       QTAtom* atom, QTAtomID* id);
OSErr FindChildByID(QTAtomContainer container, QTAtom parent, QTAtomType type, QTAtomID id,
                    QTAtom* atom, short* index);
// Children of any type when `type` is 0 and `anyType` is set.
OSErr CountChildren(QTAtomContainer container, QTAtom parent, QTAtomType type, bool anyType,
                    short* count);
OSErr NextChildType(QTAtomContainer container, QTAtom parent, QTAtomType current, QTAtomType* next);
OSErr CopyAtom(QTAtomContainer container, QTAtom atom, QTAtomContainer* target);
// The leaf's data, in place: valid until the container changes or moves.
OSErr GetData(QTAtomContainer container, QTAtom atom, const char** data, long* size);
OSErr SetData(QTAtomContainer container, QTAtom atom, long size, const void* data);
OSErr GetTypeAndID(QTAtomContainer container, QTAtom atom, QTAtomType* type, QTAtomID* id);
OSErr RemoveAtom(QTAtomContainer container, QTAtom atom);
OSErr RemoveChildren(QTAtomContainer container, QTAtom atom);
OSErr Lock(QTAtomContainer container);
OSErr Unlock(QTAtomContainer container);

}  // namespace qtml::atoms
