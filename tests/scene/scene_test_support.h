// Helpers shared by the scene-graph tests: a node that records every
// fieldChanged call into a shared journal, and a scope that makes SimpleArray
// allocations fail.
#pragma once

#include <cstdlib>
#include <functional>
#include <vector>

#include "scene/field.h"
#include "scene/node.h"
#include "scene/node_types.h"
#include "base/simple_array.h"

// The fields whose owners were told, in the order they were told.
using Journal = std::vector<const X3DField*>;

class RecordingNode : public X3DNode {
public:
    explicit RecordingNode(Journal* journal) : X3DNode(NodeCategory::Other), journal(journal) {}
    void fieldChanged(X3DField* field) override {
        journal->push_back(field);
        if (reaction) reaction(field);
    }
    Journal* journal;                           // not owned
    std::function<void(X3DField*)> reaction;  // optional extra behaviour
};

// While alive, SimpleArray allocations succeed `allowed` more times and then
// fail; the real allocator is restored afterwards.
class AllocatorLimit {
public:
    explicit AllocatorLimit(int allowed) : previous_(simple_array_detail::allocate) {
        allowedAllocations() = allowed;
        simple_array_detail::allocate = limited;
    }
    ~AllocatorLimit() { simple_array_detail::allocate = previous_; }
    AllocatorLimit(const AllocatorLimit&) = delete;
    AllocatorLimit& operator=(const AllocatorLimit&) = delete;

private:
    simple_array_detail::AllocateFn previous_;

    static int& allowedAllocations() {
        static int allowed = 0;
        return allowed;
    }
    static void* limited(std::size_t bytes) {
        if (allowedAllocations() <= 0) return nullptr;
        --allowedAllocations();
        return std::malloc(bytes);
    }
};
