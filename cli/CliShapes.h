#pragma once

#include "document/StillImageDocument.h"
#include "tools/CDibEdgeFinder.h"
#include "tools/Placement.h"

#include <vector>

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// The shapes of a marnelo-cli session, held by a still-image document as the
// application holds a picture's shapes. They come as direct shapes (points in
// image pixels) or as clicks fed through the placement exactly as the view
// feeds mouse clicks; the automatic tools search the document's picture.
// Problems in the session throw CInputError (cli/CliInput.h).
class CSessionShapes {
public:
    CSessionShapes();

    CStillImageDocument& Document() { return m_document; }
    const CShapeList& Shapes() const { return m_document.Shapes(); }
    // The point indices reported for the shape at `position`, in order.
    const std::vector<int>& SlotsOf(std::size_t position) const { return m_slots.at(position); }

    // The size of the picture the shapes are made on (640 × 480 until set).
    void SetImageSize(int width, int height);
    int ImageWidth() const { return m_width; }
    int ImageHeight() const { return m_height; }

    // One entry with "mode", "points" and optionally "text" and "mark".
    void AddDirect(const QJsonObject& entry, const QString& where);
    // The "actions" list: clicks of a tool, undo, or direct shapes, in order.
    // Clicks are view client points at `zoom` without scrolling. An action
    // whose clicks leave a shape unfinished adds a warning.
    void RunActions(const QJsonArray& actions, double zoom, QStringList& warnings);

private:
    void RunClicks(const QJsonObject& action, const QString& where, double zoom,
                   QStringList& warnings);
    void Undo();
    void Store(std::unique_ptr<CShape> shape, std::vector<int> indices);

    CStillImageDocument m_document;
    CDibEdgeFinder m_finder;
    CPlacement m_placement;
    std::vector<std::vector<int>> m_slots;
    int m_width = 640;
    int m_height = 480;
};
