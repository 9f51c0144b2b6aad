#pragma once

#include "analysis/particles/ParticleAnalysis.h"
#include "calibration/Calibration.h"

#include <span>
#include <string>
#include <vector>

#include <QStringList>

class CShape;
class CParticleShape;

// The particles among a picture's shapes, in list order.
std::vector<const CParticleShape*> ParticleShapesOf(std::span<const CShape* const> shapes);

// The particles among the shapes as one result in the unit of `conversion`,
// named `unit`: what the particle pane, the CSV and the reports show. The
// area fraction is the particles' area over the whole picture's, so that it
// follows particles removed since the analysis.
CParticleResult ParticleResultOf(std::span<const CShape* const> shapes,
                                 const CUnitConversion& conversion, const std::string& unit);

// The particle table's column titles in `unit`, and one particle's row, as
// the pane, the CSV and the reports show them.
QStringList ParticleTableTitles(const std::string& unit);
QStringList ParticleTableRow(const CParticle& particle, int decimals);

// The particle table and its summary as rows of texts for the reports: the
// table's titles, one row per particle, an empty row, the summary's titles,
// one row per quantity, then the count and the area fraction. Numbers carry
// `decimals` decimals with a dot, whatever the process locale.
std::vector<QStringList> ParticleReportRows(const CParticleResult& result, int decimals);
