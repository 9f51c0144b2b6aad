#pragma once

#include <string>

// After a device or power event the cameras are listed again. Slots are
// handed out afresh, so the chosen camera is found again by its stable id
// (after a replug its slot may hold another camera, and it may sit on
// another device node).

// Lists the cameras again and chooses the one whose display name is `id`;
// nothing is chosen when it is gone. Returns EnumerateVideoDevices' result.
int EnumerateAndChooseAgain(const std::string& id);

// The display name of the chosen camera, empty when none is chosen.
std::string ChosenDeviceId();
