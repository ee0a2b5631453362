#pragma once
// Items lying in a cave cell, carried by the player or in flight. A list owns
// its nodes, never the models they point at.

#include <cstdint>

struct StaticModel;
struct CaveCell;

enum ItemKind : std::int32_t { ItemChest = 1, ItemRock = 3, ItemDetector = 4, ItemTransporter = 5 };

struct ItemNode {
    ItemNode* prev = nullptr;
    ItemNode* next = nullptr;
    ItemKind kind = ItemRock;
    StaticModel* object = nullptr;
    CaveCell* cell = nullptr;  // only rocks in flight use it
};

// Frees its nodes when destroyed.
struct ItemList {
    ItemNode* head = nullptr;
    ItemNode* tail = nullptr;
    std::int32_t count = 0;

    ItemList() = default;
    ~ItemList();
    ItemList(const ItemList&) = delete;
    ItemList& operator=(const ItemList&) = delete;
};

// A new node at the tail; null only when memory ran out.
ItemNode* appendItem(ItemList& list, ItemKind kind, StaticModel* object);

// Unlinks and frees `node`; false (and nothing changed) unless it is in `list`.
bool removeItem(ItemList& list, ItemNode* node);

// Frees every node; the list is then empty.
void clearItems(ItemList& list);
