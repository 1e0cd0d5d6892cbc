#pragma once

#include <cstddef>
#include <functional>
#include <iterator>
#include <new>
#include <utility>

namespace kavrel {

// Whether a CMyList frees its records (the values are the stored mode numbers).
enum class ListOwnership : int {
    Owning = 16, // removing a node calls the release callback, then deletes the record
    NotOwning = 17, // records belong to someone else and survive their nodes
};

// A doubly linked list of record pointers with a count. Nodes never move a
// record, so a pointer to a record stays valid while its node is in the list.
// In the owning mode records must come from `new Record` (or appendCopy).
template <typename Record> class CMyList {
public:
    struct Node {
        Record* record;
        Node* next;
        Node* prev;
    };
    using ReleaseCallback = std::function<void(Record*)>;

    explicit CMyList(ListOwnership ownership = ListOwnership::NotOwning)
        : m_ownership(ownership)
    {
    }
    ~CMyList() { clear(); }
    CMyList(const CMyList&) = delete;
    CMyList& operator=(const CMyList&) = delete;

    ListOwnership ownership() const { return m_ownership; }
    void setOwnership(ListOwnership ownership) { m_ownership = ownership; }
    void setReleaseCallback(ReleaseCallback callback) { m_release = std::move(callback); }

    int count() const { return m_count; }
    bool empty() const { return m_count == 0; }
    Node* head() const { return m_head; }
    Node* tail() const { return m_tail; }

    // Appends at the tail. False only when memory is short; the list is then
    // unchanged and the record stays the caller's.
    bool append(Record* record)
    {
        Node* node = new (std::nothrow) Node{record, nullptr, m_tail};
        if (!node)
            return false;
        (m_tail ? m_tail->next : m_head) = node;
        m_tail = node;
        ++m_count;
        return true;
    }

    // Appends a heap copy of a record (owning lists). False when memory is short.
    bool appendCopy(const Record& record)
    {
        Record* copy = new (std::nothrow) Record(record);
        if (!copy)
            return false;
        if (append(copy))
            return true;
        delete copy;
        return false;
    }

    // Unlinks a node of this list; in the owning mode releases and deletes its record.
    void remove(Node* node)
    {
        (node->prev ? node->prev->next : m_head) = node->next;
        (node->next ? node->next->prev : m_tail) = node->prev;
        --m_count;
        freeRecord(node->record);
        delete node;
    }

    // Removes every node from the head onwards.
    void clear()
    {
        while (m_head)
            remove(m_head);
    }

    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Record;
        using difference_type = std::ptrdiff_t;
        using pointer = Record*;
        using reference = Record&;

        Iterator() = default;
        explicit Iterator(Node* node)
            : m_node(node)
        {
        }
        Record& operator*() const { return *m_node->record; }
        Record* operator->() const { return m_node->record; }
        Iterator& operator++()
        {
            m_node = m_node->next;
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator before = *this;
            m_node = m_node->next;
            return before;
        }
        bool operator==(const Iterator&) const = default;
        Node* node() const { return m_node; }

    private:
        Node* m_node = nullptr;
    };

    // Records in list order, head to tail.
    Iterator begin() const { return Iterator(m_head); }
    Iterator end() const { return Iterator(); }

private:
    void freeRecord(Record* record)
    {
        if (m_ownership != ListOwnership::Owning)
            return;
        if (m_release)
            m_release(record);
        delete record;
    }

    ListOwnership m_ownership;
    int m_count = 0;
    ReleaseCallback m_release;
    Node* m_head = nullptr;
    Node* m_tail = nullptr;
};

} // namespace kavrel
