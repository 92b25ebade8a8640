#include "memory/fixed/MHRoomIndex.h"

#include "memory/UtMemory.h"
#include "util/UtHash.h"

namespace tavrix {

MHRoomIndex::Group* MHRoomIndex::find(uint32_t rest) const
{
    for (Node* node = root; node;) {
        if (rest == node->group.rest) return &node->group;
        node = rest < node->group.rest ? node->left : node->right;
    }
    return nullptr;
}

MHRoomIndex::Group* MHRoomIndex::leastAtLeast(uint32_t minRest) const
{
    Group* best = nullptr;
    for (Node* node = root; node;) {
        if (node->group.rest >= minRest) {
            best = &node->group;
            node = node->left;
        } else {
            node = node->right;
        }
    }
    return best;
}

MHRoomIndex::Group* MHRoomIndex::add(uint32_t rest)
{
    Node* node = spare;
    spare = nullptr;
    if (!node) node = static_cast<Node*>(UtMemory::malloc_exe(nullptr, sizeof(Node)));
    if (!node) return nullptr;
    node->group = Group{rest, nullptr, nullptr};
    // Priorities only need to be independent of the order rests arrive in.
    node->priority = static_cast<uint32_t>(UtHash::hashPointer(node) ^ rest);
    node->left = nullptr;
    node->right = nullptr;
    root = insert(root, node);
    return &node->group;
}

MHRoomIndex::Node* MHRoomIndex::insert(Node* tree, Node* node)
{
    if (!tree) return node;
    if (node->group.rest < tree->group.rest) {
        tree->left = insert(tree->left, node);
        if (tree->left->priority > tree->priority) {
            Node* top = tree->left;
            tree->left = top->right;
            top->right = tree;
            return top;
        }
    } else {
        tree->right = insert(tree->right, node);
        if (tree->right->priority > tree->priority) {
            Node* top = tree->right;
            tree->right = top->left;
            top->left = tree;
            return top;
        }
    }
    return tree;
}

void MHRoomIndex::remove(uint32_t rest)
{
    root = erase(root, rest);
}

MHRoomIndex::Node* MHRoomIndex::erase(Node* tree, uint32_t rest)
{
    if (!tree) return nullptr;
    if (rest < tree->group.rest) {
        tree->left = erase(tree->left, rest);
        return tree;
    }
    if (rest > tree->group.rest) {
        tree->right = erase(tree->right, rest);
        return tree;
    }
    // Rotate the node down past its higher-priority child until it is a leaf side.
    if (!tree->left || !tree->right) {
        Node* child = tree->left ? tree->left : tree->right;
        UtMemory::free_exe(spare);
        spare = tree;
        return child;
    }
    Node* top;
    if (tree->left->priority > tree->right->priority) {
        top = tree->left;
        tree->left = top->right;
        top->right = erase(tree, rest);
    } else {
        top = tree->right;
        tree->right = top->left;
        top->left = erase(tree, rest);
    }
    return top;
}

void MHRoomIndex::clear()
{
    release(root);
    root = nullptr;
    UtMemory::free_exe(spare);
    spare = nullptr;
}

void MHRoomIndex::release(Node* tree)
{
    // Recursion depth is the treap's height, logarithmic in expectation.
    while (tree) {
        release(tree->left);
        Node* right = tree->right;
        UtMemory::free_exe(tree);
        tree = right;
    }
}

} // namespace tavrix
