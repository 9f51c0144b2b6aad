#include "analysis/particles/ParticleShape.h"
#include "analysis/ui/CParticleDlg.h"
#include "analysis/ui/CParticlePreview.h"
#include "analysis/ui/ParticleRun.h"
#include "analysis/ui/ParticleSelection.h"
#include "calibration/Calibration.h"
#include "document/ui/CLOBRINDoc.h"
#include "shapes/AreaShapes.h"
#include "shapes/ShapeFactory.h"
#include "shapes/ShapeKinds.h"
#include "tools/ui/CLOBRINView.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPolygonF>

// Analyze Particles on the still view: the dialog and its tinted preview,
// the run, the particle shapes it adds, and the particle picked on the
// picture.

namespace {

constexpr QRgb kPickedOutline = 0xFFFFD800;
constexpr int kPickedPenWidth = 3;

QPolygonF OutlineAt(const CParticle& particle, double zoom) {
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(particle.outline.size()));
    for (const auto& [x, y] : particle.outline) {
        polygon << QPointF(x * zoom, y * zoom);
    }
    return polygon;
}

// The particle shape among the document's shapes that is `identity`, or
// nullptr once it is gone.
const CParticleShape* ParticleAmong(const CShapeList& shapes, const CShape* identity) {
    if (identity == nullptr) {
        return nullptr;
    }
    for (const auto& shape : shapes.Shapes()) {
        if (shape.get() == identity) {
            return dynamic_cast<const CParticleShape*>(shape.get());
        }
    }
    return nullptr;
}

} // namespace

void CLOBRINView::AnalyzeParticles() {
    CStillImageDocument& model = m_doc.Model();
    if (!model.HasPicture() || model.Picture().IsBusy()) {
        return;
    }
    CDib picture;
    {
        const auto access = model.Picture().Read();
        picture = access.image();
    }
    const CParticleScale scale = CurrentParticleScale();
    CParticleDlg dialog(picture, g_calibration.unit, ParticleRegion(), this);
    connect(&dialog, &CParticleDlg::previewChanged, this, [this, &dialog] {
        m_particleTint = dialog.Preview().Tint();
        m_particleTintZoomed = QImage();
        viewport()->update();
    });
    const int answer = dialog.exec();
    m_particleTint = QImage();
    m_particleTintZoomed = QImage();
    viewport()->update();
    if (answer != QDialog::Accepted) {
        return;
    }
    const std::optional<CParticleResult> result =
        RunParticleAnalysis(this, picture, dialog.Options(), scale);
    if (result) {
        AddParticles(*result, scale);
    }
}

std::optional<SelectionBox> CLOBRINView::ParticleRegion() const {
    const CShape* last = m_doc.Model().Shapes().Tail();
    if (last == nullptr || last->kind != ShapeKind::kRectangle) {
        return std::nullopt;
    }
    const int width = m_doc.Model().ImageWidth();
    const int height = m_doc.Model().ImageHeight();
    const auto clampX = [width](double x) {
        return std::clamp(static_cast<int>(x), 0, width);
    };
    const auto clampY = [height](double y) {
        return std::clamp(static_cast<int>(y), 0, height);
    };
    const ShapePoint a = last->points[0];
    const ShapePoint b = last->points[1];
    const int left = clampX(std::min(a.x, b.x));
    const int right = clampX(std::max(a.x, b.x) + 1);
    const int top = clampY(std::min(a.y, b.y));
    const int bottom = clampY(std::max(a.y, b.y) + 1);
    // Selection boxes count stored rows from the bottom of the picture.
    const SelectionBox box{left, right, height - bottom, height - top};
    if (box.IsEmpty()) {
        return std::nullopt;
    }
    return box;
}

void CLOBRINView::AddParticles(const CParticleResult& result, const CParticleScale& scale) {
    CStillImageDocument& model = m_doc.Model();
    CShapeParams params;
    params.imgWidth = model.ImageWidth();
    params.imgHeight = model.ImageHeight();
    params.zoom = Zoom();
    for (const CParticle& particle : result.particles) {
        auto shape = std::make_unique<CParticleShape>(particle, scale, params);
        CompleteShape(*shape, m_placement.Counters().TakeSerial());
        shape->ComputeResults();
        model.AddShape(std::move(shape));
    }
    OnShapesChanged();
    ListShapesInResults();
    m_doc.ShapesChangedBy(this);
}

void CLOBRINView::PickParticleAt(QPoint client) {
    const QPointF at = QPointF(ViewportToContent(client)) / Zoom();
    const auto& shapes = m_doc.Model().Shapes().Shapes();
    for (auto it = shapes.rbegin(); it != shapes.rend(); ++it) {
        const auto* particle = dynamic_cast<const CParticleShape*>(it->get());
        if (particle != nullptr &&
            OutlineAt(particle->Pixels(), 1.0).containsPoint(at, Qt::OddEvenFill)) {
            ParticleSelection().Select(particle);
            return;
        }
    }
    ParticleSelection().Select(nullptr);
}

void CLOBRINView::PaintParticleOverlays(QPainter& painter) {
    if (!m_particleTint.isNull()) {
        if (m_particleTintZoomed.size() != ZoomedSize()) {
            m_particleTintZoomed =
                m_particleTint.scaled(ZoomedSize(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
        }
        painter.drawImage(0, 0, m_particleTintZoomed);
    }
    if (const CParticleShape* picked =
            ParticleAmong(m_doc.Model().Shapes(), ParticleSelection().Selected())) {
        painter.setPen(QPen(QColor::fromRgba(kPickedOutline), kPickedPenWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolygon(OutlineAt(picked->Pixels(), Zoom()));
    }
}
