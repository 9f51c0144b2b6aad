#pragma once

// Whether the reports add the statistics of their measurements (a second
// table in documents, rows after the measurements in spreadsheets). Off until
// the user turns it on in the measure settings dialog; kept in the settings
// store (organisation "LOBRIN", application "Marnelo", group "Reports", key
// "StatisticsSummary"). GUI thread only.
bool ReportSummaryWanted();
void SetReportSummaryWanted(bool wanted);
