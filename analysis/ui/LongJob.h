#pragma once

#include <functional>

#include <QString>

class QWidget;

// Reports progress (0..100) from the worker; false once the user cancelled,
// and the work should stop then.
using LongJobProgress = std::function<bool(int percent)>;

// Runs `work` on a thread of its own behind a progress dialog with Cancel, so
// that the window never freezes while it runs. The dialog shows after
// `showAfterMs`. False when the user cancelled, whatever the work did by then:
// the caller then keeps nothing of it.
bool RunLongJob(QWidget* owner, const QString& text, const QString& objectName,
                const std::function<void(const LongJobProgress& progress)>& work,
                int showAfterMs = 0);
