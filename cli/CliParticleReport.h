#pragma once

#include "analysis/particles/ParticleAnalysis.h"

#include <QString>

// The report of a particle analysis for marnelo-cli: the particle table and
// its summary as plain rows of the spreadsheet and document reports, under
// the usual report header, with the picture; a .csv path gets the particle
// CSV.

// A .xlsx, .xls, .docx, .doc or .csv path (any case).
bool IsParticleReportPath(const QString& path);

// Writes the report whole; an empty text on success, otherwise the reason.
QString WriteParticleReport(const QString& path, const CParticleResult& result,
                            const CDib& picture);
