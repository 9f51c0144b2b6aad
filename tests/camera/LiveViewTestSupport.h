#pragma once

#include "camera/LiveOverlay.h"
#include "camera/ui/CDeviceDoc.h"
#include "camera/ui/CDeviceView.h"
#include "capture/CaptureSession.h"
#include "tests/capture/CaptureTestSupport.h"
#include "tests/capture/FakeCaptureBackend.h"
#include "tests/support/BareFrameTest.h"

#include <memory>

// The live window in a bare main frame, on a scripted camera ("usb-scope",
// slot 0) or the virtual microscope.
class LiveViewTest : public BareFrameTest<CDeviceDoc, CDeviceView> {
protected:
    LiveViewTest()
        : BareFrameTest(DocKind::LiveCamera) {
        log = std::make_shared<FakeCaptureLog>();
        log->scripts["usb-scope"] = MakeFakeCamera("usb-scope", "Scope");
        std::vector<std::unique_ptr<ICaptureBackend>> backends;
        backends.push_back(std::make_unique<FakeCaptureBackend>(log));
        ResetCaptureState(std::move(backends));
    }
    ~LiveViewTest() override {
        frame.reset();
        ResetCaptureState();
    }

    // Lists the cameras, chooses `slot` and opens the live window on it.
    CDeviceView* Open(int slot = 0) {
        CreateDeviceEnumerator();
        EnumerateVideoDevices();
        ChooseVideoDevice(slot);
        return OpenWindow({}, true);
    }

    CDeviceDoc& Doc() const { return view->GetDocument(); }

    std::shared_ptr<FakeCaptureLog> log;
};
