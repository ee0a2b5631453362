#include "cave/item_list.h"

#include <new>

ItemList::~ItemList() { clearItems(*this); }

ItemNode* appendItem(ItemList& list, ItemKind kind, StaticModel* object) {
    ItemNode* node = new (std::nothrow) ItemNode;
    if (!node) return nullptr;
    node->prev = list.tail;
    node->kind = kind;
    node->object = object;
    if (list.tail) {
        list.tail->next = node;
    } else {
        list.head = node;
    }
    list.tail = node;
    list.count += 1;
    return node;
}

bool removeItem(ItemList& list, ItemNode* node) {
    if (!node || !list.head) return false;
    // Lists hold a handful of items; walking one is cheaper than trusting a
    // node that may belong to another list.
    const ItemNode* at = list.head;
    while (at && at != node) at = at->next;
    if (!at) return false;

    if (node->prev) {
        node->prev->next = node->next;
    } else {
        list.head = node->next;
    }
    if (node->next) {
        node->next->prev = node->prev;
    } else {
        list.tail = node->prev;
    }
    delete node;
    list.count -= 1;
    return true;
}

void clearItems(ItemList& list) {
    ItemNode* node = list.head;
    while (node) {
        ItemNode* next = node->next;
        delete node;
        node = next;
    }
    list.head = nullptr;
    list.tail = nullptr;
    list.count = 0;
}
