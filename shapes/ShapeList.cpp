#include "shapes/ShapeList.h"

CResultsList g_resultsList;

CShapeList::~CShapeList() {
    if (g_resultsList.source == this) {
        ClearResultsList();
    }
}

void CShapeList::Add(std::unique_ptr<CShape> shape) {
    if (shape) {
        m_shapes.push_back(std::move(shape));
    }
}

bool CShapeList::RemoveAt(std::size_t position) {
    if (position >= m_shapes.size()) {
        return false;
    }
    m_shapes.erase(m_shapes.begin() + static_cast<std::ptrdiff_t>(position));
    ShapesRemoved();
    return true;
}

void CShapeList::RemoveAll() {
    m_shapes.clear();
    ShapesRemoved();
}

void CShapeList::RemakeAll(const std::function<std::unique_ptr<CShape>(const CShape&)>& remake) {
    for (auto& shape : m_shapes) {
        if (std::unique_ptr<CShape> made = remake(*shape)) {
            shape = std::move(made);
        }
    }
    ShapesRemoved();
}

bool CShapeList::Undo() {
    if (m_shapes.empty()) {
        return false;
    }
    m_shapes.pop_back();
    RefillResultsList(*this);
    return true;
}

void CShapeList::ShapesRemoved() {
    if (g_resultsList.source == this) {
        RefillResultsList(*this);
    }
}

void RefillResultsList(const CShapeList& list) {
    g_resultsList.shapes.clear();
    for (const auto& shape : list.Shapes()) {
        g_resultsList.shapes.push_back(shape.get());
    }
    g_resultsList.source = &list;
}

void ClearResultsList() {
    g_resultsList.shapes.clear();
    g_resultsList.source = nullptr;
}
