#pragma once
// A sequence addressed by position in which reading, inserting and removing at any position
// take O(log n): a treap ordered by position (each node knows the size of its subtree, random
// priorities keep it balanced). The virtual-file manager keeps a file's records in one, so a
// sorted, LIFO or INSERTION append costs the same at 100,000 records as at 1,000.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace dbf {

template <class T> class TIndexedSequence {
public:
    TIndexedSequence() = default;
    TIndexedSequence(TIndexedSequence&&) noexcept = default;
    TIndexedSequence& operator=(TIndexedSequence&&) noexcept = default;
    TIndexedSequence(const TIndexedSequence&) = delete;
    TIndexedSequence& operator=(const TIndexedSequence&) = delete;
    ~TIndexedSequence() { Clear(); }

    std::size_t Size() const { return SizeOf(root_); }
    bool Empty() const { return !root_; }

    // Element i (0-based, i < Size()).
    T& At(std::size_t i) { return Find(i)->Value; }
    const T& At(std::size_t i) const { return Find(i)->Value; }

    // Inserts value before element i (i == Size() appends). Nothing changes when the node
    // cannot be allocated.
    void Insert(std::size_t i, T value) {
        auto node = std::make_unique<Node>(std::move(value), NextPriority());
        NodePtr before, after;
        Split(std::move(root_), i, before, after);
        root_ = Merge(Merge(std::move(before), std::move(node)), std::move(after));
    }

    // Removes element i and gives it back.
    T Erase(std::size_t i) {
        NodePtr before, rest, one;
        Split(std::move(root_), i, before, rest);
        Split(std::move(rest), 1, one, rest);
        root_ = Merge(std::move(before), std::move(rest));
        return std::move(one->Value);
    }

    // Where a new element goes in a sequence ordered by cmp, found from the root down:
    // cmp(element) < 0 when the new one goes before the element, > 0 after it, 0 right after it
    // (the search stops there). O(log n) calls of cmp.
    template <class Cmp> std::size_t Place(Cmp cmp) const {
        std::size_t base = 0;
        for (const Node* n = root_.get(); n != nullptr;) {
            const int c = cmp(n->Value);
            if (c == 0) return base + SizeOf(n->Left) + 1;
            if (c < 0) {
                n = n->Left.get();
            } else {
                base += SizeOf(n->Left) + 1;
                n = n->Right.get();
            }
        }
        return base;
    }

    // Every element in order, the sequence left empty.
    std::vector<T> TakeAll() {
        std::vector<T> out;
        out.reserve(Size());
        std::vector<Node*> path;
        for (Node* n = root_.get(); n != nullptr || !path.empty();) {
            if (n != nullptr) {
                path.push_back(n);
                n = n->Left.get();
                continue;
            }
            n = path.back();
            path.pop_back();
            out.push_back(std::move(n->Value));
            n = n->Right.get();
        }
        Clear();
        return out;
    }

    // The elements of values in their order, replacing what was held.
    void Assign(std::vector<T> values) {
        Clear();
        for (T& v : values)
            Insert(Size(), std::move(v));
    }

    void Clear() {
        // Node by node, so that no destructor recursion follows the tree's height.
        std::vector<NodePtr> pending;
        if (root_) pending.push_back(std::move(root_));
        while (!pending.empty()) {
            NodePtr n = std::move(pending.back());
            pending.pop_back();
            if (n->Left) pending.push_back(std::move(n->Left));
            if (n->Right) pending.push_back(std::move(n->Right));
        }
    }

private:
    struct Node;
    using NodePtr = std::unique_ptr<Node>;
    struct Node {
        Node(T value, std::uint64_t priority) : Value(std::move(value)), Priority(priority) {}
        T Value;
        std::uint64_t Priority;
        std::size_t Count = 1; // nodes in this subtree
        NodePtr Left, Right;
    };

    static std::size_t SizeOf(const NodePtr& n) { return n ? n->Count : 0; }
    static void Recount(Node& n) { n.Count = 1 + SizeOf(n.Left) + SizeOf(n.Right); }

    const Node* Find(std::size_t i) const {
        const Node* n = root_.get();
        for (;;) {
            const std::size_t left = SizeOf(n->Left);
            if (i == left) return n;
            if (i < left) {
                n = n->Left.get();
            } else {
                i -= left + 1;
                n = n->Right.get();
            }
        }
    }
    Node* Find(std::size_t i) {
        return const_cast<Node*>(static_cast<const TIndexedSequence*>(this)->Find(i));
    }

    // The first k elements of t into a, the rest into b.
    static void Split(NodePtr t, std::size_t k, NodePtr& a, NodePtr& b) {
        if (!t) {
            a.reset();
            b.reset();
            return;
        }
        if (SizeOf(t->Left) < k) {
            NodePtr right;
            Split(std::move(t->Right), k - SizeOf(t->Left) - 1, right, b);
            t->Right = std::move(right);
            Recount(*t);
            a = std::move(t);
        } else {
            NodePtr left;
            Split(std::move(t->Left), k, a, left);
            t->Left = std::move(left);
            Recount(*t);
            b = std::move(t);
        }
    }

    // a's elements, then b's.
    static NodePtr Merge(NodePtr a, NodePtr b) {
        if (!a) return b;
        if (!b) return a;
        if (a->Priority > b->Priority) {
            a->Right = Merge(std::move(a->Right), std::move(b));
            Recount(*a);
            return a;
        }
        b->Left = Merge(std::move(a), std::move(b->Left));
        Recount(*b);
        return b;
    }

    // splitmix64: well spread priorities from a counter.
    std::uint64_t NextPriority() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    NodePtr root_;
    std::uint64_t state_ = 0;
};

} // namespace dbf
