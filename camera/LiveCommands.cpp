#include "camera/LiveCommands.h"

CLiveCommands::CLiveCommands(CLiveCommandHost host, QObject* parent)
    : QObject(parent)
    , m_host(std::move(host)) {}

CLiveCommands::~CLiveCommands() = default;

void CLiveCommands::TakeSnapshot() {}

void CLiveCommands::ExportPicture() {}

void CLiveCommands::ToggleRecording() {}

void CLiveCommands::VideoSetting() {}

void CLiveCommands::OnStillReady(int stillKind) {
    (void)stillKind;
}

bool CLiveCommands::Recording() const {
    return false;
}
