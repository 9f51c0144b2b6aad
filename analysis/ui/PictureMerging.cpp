#include "analysis/ui/PictureMerging.h"

#include "analysis/focus/HeightColours.h"
#include "analysis/mosaic/Stitch.h"
#include "analysis/ui/LongJob.h"
#include "core/Language.h"
#include "document/NewPicture.h"
#include "framework/QImageDrawSurface.h"
#include "framework/ui/DocTemplate.h"
#include "framework/ui/FileDialog.h"
#include "framework/ui/MDIFrameWnd.h"
#include "framework/ui/MessageBox.h"

#include <QFile>
#include <QFileInfo>

namespace {

QString Text(const char* key, const char* english) {
    return GetLanguageString(QString::fromLatin1(key), QString::fromUtf8(english), 256);
}

std::filesystem::path FileSystemPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

std::vector<std::filesystem::path> FileSystemPaths(const QStringList& paths) {
    std::vector<std::filesystem::path> files;
    for (const QString& path : paths) {
        files.push_back(FileSystemPath(path));
    }
    return files;
}

void Tell(QWidget* owner, const QString& text) {
    ShowMessageBox(owner, text, QString(), QMessageBox::Ok, QMessageBox::Warning);
}

void OpenNewWindow(QWidget* owner, CNewPicture picture) {
    CMDIFrameWnd* frame = CMDIFrameWnd::Of(owner);
    if (frame == nullptr) {
        return;
    }
    SetPendingNewPicture(std::move(picture));
    frame->OpenDocument(DocKind::StillImage);
    // A refused window must not hand its picture to the next one.
    TakePendingNewPicture();
}

} // namespace

void OpenFocusStackWindows(QWidget* owner, CDib picture, CHeightMap heights, const QString& name) {
    auto shared = std::make_shared<const CHeightMap>(std::move(heights));
    CDib colours = HeightMapPicture(*shared, QImageSurfaceFactory());
    colours.SetScale(picture.Scale());
    OpenNewWindow(owner,
                  {std::move(picture), Text("FocusStackTitle", "%1 in focus").arg(name), nullptr});
    OpenNewWindow(owner, {std::move(colours), Text("HeightMapTitle", "%1 heights").arg(name),
                          std::move(shared)});
}

void RunFocusStackCommand(QWidget* owner, const QStringList& paths) {
    if (paths.size() < 2) {
        Tell(owner, Text("FocusStackTooFew", "Choose at least two pictures to merge."));
        return;
    }
    CFocusStackResult result;
    const bool finished =
        RunLongJob(owner, Text("FocusStacking", "Merging the focus series…"),
                   QStringLiteral("FocusStackProgress"), [&](const LongJobProgress& progress) {
                       result = FocusStackFiles(FileSystemPaths(paths), CFocusOptions{}, progress);
                   });
    if (!finished || result.cancelled) {
        return;
    }
    if (!result.error.empty()) {
        Tell(owner, Text("FocusStackFailed", "The pictures could not be merged: %1")
                        .arg(QString::fromStdString(result.error)));
        return;
    }
    OpenFocusStackWindows(owner, std::move(result.picture), std::move(result.heights),
                          QFileInfo(paths.front()).completeBaseName());

    QStringList notes;
    for (std::size_t i = 0; i < result.alignments.size() && i < std::size_t(paths.size()); ++i) {
        const CSliceAlignment& alignment = result.alignments[i];
        if (!alignment.aligned) {
            notes << QStringLiteral("%1: %2").arg(QFileInfo(paths[qsizetype(i)]).fileName(),
                                                  QString::fromStdString(alignment.note));
        }
    }
    if (!notes.isEmpty()) {
        Tell(owner,
             Text("FocusStackLeftOut", "These pictures could not be aligned and were left out:") +
                 QLatin1Char('\n') + notes.join(QLatin1Char('\n')));
    }
}

void RunStitchCommand(QWidget* owner, const QStringList& paths) {
    if (paths.size() < 2) {
        Tell(owner, Text("StitchTooFew", "Choose at least two overlapping pictures to stitch."));
        return;
    }
    CStitchResult planned;
    std::optional<CDib> mosaic;
    std::string error;
    bool tooLarge = false;
    bool finished = RunLongJob(
        owner, Text("Stitching", "Stitching the mosaic…"), QStringLiteral("StitchProgress"),
        [&](const LongJobProgress& progress) {
            planned = PlanMosaic(FileSystemPaths(paths), CStitchOptions{},
                                 [&](int percent) { return progress(percent / 2); });
            if (!planned.error.empty() || planned.cancelled) {
                return;
            }
            tooLarge = double(planned.plan.width) * planned.plan.height > kLargestOpenedMosaic;
            if (!tooLarge) {
                mosaic = MosaicPicture(
                    planned.plan, [&](int percent) { return progress(50 + percent / 2); }, error);
            }
        });
    if (!finished || planned.cancelled) {
        return;
    }
    if (!planned.error.empty() || (!tooLarge && !mosaic)) {
        Tell(owner,
             Text("StitchFailed", "The mosaic could not be made: %1")
                 .arg(QString::fromStdString(planned.error.empty() ? error : planned.error)));
        return;
    }
    const QString name = QFileInfo(paths.front()).completeBaseName();
    if (tooLarge) {
        const QString question =
            Text("StitchTooLarge", "The mosaic is %1 × %2 pixels, too large to open. Write it "
                                   "to a TIFF file instead?")
                .arg(planned.plan.width)
                .arg(planned.plan.height);
        if (ShowMessageBox(owner, question, QString(), QMessageBox::Yes | QMessageBox::No,
                           QMessageBox::Question) != QMessageBox::Yes) {
            return;
        }
        FileDialogRequest request;
        request.mode = FileDialogRequest::Mode::Save;
        request.title = Text("StitchSave", "Save Mosaic");
        request.filters = {QStringLiteral("TIFF (*.tif *.tiff)")};
        request.defaultSuffix = QStringLiteral("tif");
        request.path = QFileInfo(paths.front()).absolutePath() + QLatin1Char('/') + name +
                       QStringLiteral("_mosaic.tif");
        const std::optional<FileDialogAnswer> answer = RunFileDialog(owner, request);
        if (!answer) {
            return;
        }
        bool written = false;
        finished = RunLongJob(
            owner, Text("StitchWriting", "Writing the mosaic…"), QStringLiteral("StitchProgress"),
            [&](const LongJobProgress& progress) {
                written = WriteMosaic(planned.plan, FileSystemPath(answer->path), progress, error);
            });
        if (finished && !written) {
            Tell(owner, Text("StitchFailed", "The mosaic could not be made: %1")
                            .arg(QString::fromStdString(error)));
        }
    } else {
        OpenNewWindow(owner,
                      {std::move(*mosaic), Text("MosaicTitle", "%1 mosaic").arg(name), nullptr});
    }

    QStringList leftOut;
    for (const CTilePlacement& tile : planned.plan.tiles) {
        if (!tile.placed) {
            leftOut << QString::fromStdString(tile.file.filename().string());
        }
    }
    if (!leftOut.isEmpty()) {
        Tell(owner, Text("StitchLeftOut", "These pictures overlap no other and were left out:") +
                        QLatin1Char('\n') + leftOut.join(QLatin1Char('\n')));
    }
}

QStringList AskForPictures(QWidget* owner, const QString& title) {
    const ImageDialogSetup setup = MakeImageDialogSetup(ImageDialogMode::Open, kImageFormatBmp);
    FileDialogRequest request;
    request.title = title;
    request.filters = setup.filters;
    request.initialFilter = setup.initialFilter;
    request.fileMustExist = true;
    request.multiple = true;
    const std::optional<FileDialogAnswer> answer = RunFileDialog(owner, request);
    if (!answer) {
        return {};
    }
    return answer->paths.isEmpty() ? QStringList{answer->path} : answer->paths;
}
