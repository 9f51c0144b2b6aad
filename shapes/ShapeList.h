#pragma once

#include "shapes/Shape.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

// The shapes of one image document, in creation order. The list owns them:
// removing a shape destroys it. GUI thread only.
class CShapeList {
public:
    CShapeList() = default;
    ~CShapeList();
    CShapeList(const CShapeList&) = delete;
    CShapeList& operator=(const CShapeList&) = delete;

    std::size_t Count() const { return m_shapes.size(); }
    bool IsEmpty() const { return m_shapes.empty(); }
    CShape& At(std::size_t position) const { return *m_shapes.at(position); }
    // The most recently added shape; nullptr when empty.
    CShape* Tail() const { return m_shapes.empty() ? nullptr : m_shapes.back().get(); }
    const std::vector<std::unique_ptr<CShape>>& Shapes() const { return m_shapes; }

    // Appends at the tail (a null shape is ignored).
    void Add(std::unique_ptr<CShape> shape);

    // Destroys the shape at a zero-based position; false when there is none.
    bool RemoveAt(std::size_t position);

    // Destroys every shape.
    void RemoveAll();

    // Replaces each shape by what `remake` makes of it (a null answer keeps
    // the shape), in place and in order.
    void RemakeAll(const std::function<std::unique_ptr<CShape>(const CShape&)>& remake);

    // Undoes the last shape: destroys the tail and refills the results list
    // with the remaining shapes. An empty list changes nothing (the results
    // list included) and gives false.
    bool Undo();

private:
    // Keeps the results list from holding destroyed shapes of this list.
    void ShapesRemoved();

    std::vector<std::unique_ptr<CShape>> m_shapes;
};

// The shapes listed in the results pane: those of the image document last
// changed or activated, in its order. It does not own them; a list that
// destroys shapes it mirrors refills it, and one that is destroyed empties it,
// so it never holds a destroyed shape. GUI thread only.
struct CResultsList {
    std::vector<const CShape*> shapes;
    const CShapeList* source = nullptr; // the list mirrored, or nullptr
};

extern CResultsList g_resultsList;

// Empties the results list and refills it with a document's shapes in order.
void RefillResultsList(const CShapeList& list);

// Empties the results list.
void ClearResultsList();
