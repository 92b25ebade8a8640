#pragma once

#include <cstdint>

namespace tavrix {

class MHPageHeaderFixed;

// Index of an arena's pages with room by the bytes they have left. The pages
// with room form one list in descending order of rest; the pages with equal
// rest form a run of that list, and the index keeps one group per run (its
// rest, first and last page) in a treap ordered by rest. Best-fit searches
// and re-sorting after an allocation then cost a logarithm of the number of
// distinct rests instead of a walk along the list. Groups live in the global
// temporary memory.
class MHRoomIndex {
public:
    struct Group {
        uint32_t rest;
        MHPageHeaderFixed* first;
        MHPageHeaderFixed* last;
    };

    MHRoomIndex() : root(nullptr), spare(nullptr) {}
    ~MHRoomIndex() { clear(); }

    MHRoomIndex(const MHRoomIndex&) = delete;
    MHRoomIndex& operator=(const MHRoomIndex&) = delete;

    // The group of exactly this rest, or null.
    Group* find(uint32_t rest) const;
    // The group with the least rest of at least minRest, or null.
    Group* leastAtLeast(uint32_t minRest) const;
    // A new group for a rest that has none (its pages still to be set); null
    // when memory runs out.
    Group* add(uint32_t rest);
    void remove(uint32_t rest);
    void clear();

private:
    struct Node {
        Group group;
        uint32_t priority;
        Node* left;
        Node* right;
    };

    static Node* insert(Node* tree, Node* node);
    Node* erase(Node* tree, uint32_t rest);
    static void release(Node* tree);

    Node* root;
    // The last node removed, kept for the next group: an allocation moves its
    // page from one group to another, so most removals are followed by an add.
    Node* spare;
};

} // namespace tavrix
