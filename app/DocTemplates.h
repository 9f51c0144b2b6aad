#pragma once

class CDocManager;

// Registers the still-image and live-camera document templates, in that
// order, with their icons. The documents and views of the pictures and of
// the camera supply the factories; until then a template opens nothing.
void RegisterDocTemplates(CDocManager& docManager);
