#pragma once
// The order every skeleton pass uses: from the root, each bone after its
// parent. Iterative, so a deep chain cannot exhaust the stack.

#include "model/skinned_model.h"

#include <cstdint>

// Calls visit(bone) for at most `limit` bones of the tree under `root`; the
// limit and a step budget also stop a walk of a damaged hierarchy.
template <typename Visit>
void forEachBoneFromRoot(Bone* root, std::uint32_t limit, Visit&& visit) {
    std::uint64_t budget = std::uint64_t{2} * limit;
    std::uint32_t visited = 0;
    Bone* bone = root;
    while (bone && visited < limit) {
        visit(*bone);
        ++visited;
        if (bone->firstChild) {
            bone = bone->firstChild;
            continue;
        }
        while (bone && bone != root && !bone->nextSibling && budget > 0) {
            bone = bone->parent;
            --budget;
        }
        bone = (!bone || bone == root || budget == 0) ? nullptr : bone->nextSibling;
    }
}
