#pragma once

class CDocManager;

// Registers the still-image and live-camera document templates, in that
// order, with their icons. Still pictures open as CLOBRINDoc with a
// CLOBRINView, the live camera as CDeviceDoc with a CDeviceView.
void RegisterDocTemplates(CDocManager& docManager);
