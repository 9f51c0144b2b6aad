#pragma once

#include "framework/CommandTarget.h"
#include "framework/ui/DocTemplate.h"
#include "framework/ui/Document.h"
#include "framework/ui/View.h"

#include <set>
#include <vector>

// Command targets whose answers a test chooses: each handles the ids in
// `handled`, shows those in `disabled` greyed and those in `checked` checked,
// and records the commands it carried out.
struct TestCommandTable {
    std::set<int> handled;
    std::set<int> disabled;
    std::set<int> checked;
    std::vector<int> received;

    bool Command(int id) {
        if (!handled.count(id)) {
            return false;
        }
        received.push_back(id);
        return true;
    }
    bool Update(int id, CCmdUI& cmdUI) const {
        if (!handled.count(id)) {
            return false;
        }
        cmdUI.Enable(!disabled.count(id));
        if (checked.count(id)) {
            cmdUI.SetCheck(true);
        }
        return true;
    }
};

class CTestDocument : public CDocument {
public:
    bool OnNewDocument() override {
        if (!newTitle.isEmpty()) {
            SetTitle(newTitle);
        }
        return !refuse;
    }
    bool OnOpenDocument(const QString& path) override {
        openedPath = path;
        return !refuse;
    }
    bool OnCommand(int id) override { return commands.Command(id); }
    bool OnUpdateCommand(int id, CCmdUI& cmdUI) override { return commands.Update(id, cmdUI); }

    TestCommandTable commands;
    QString openedPath;
    QString newTitle;
    bool refuse = false;
};

class CTestView : public CView {
public:
    using CView::CView;

    void OnActivateView(bool active) override { activations.push_back(active); }
    void OnUpdate(CView* sender) override {
        (void)sender;
        ++updates;
    }
    bool OnCommand(int id) override { return commands.Command(id); }
    bool OnUpdateCommand(int id, CCmdUI& cmdUI) override { return commands.Update(id, cmdUI); }

    TestCommandTable commands;
    std::vector<bool> activations;
    int updates = 0;
};

// What the documents and views of a test template handle, and whether they
// refuse to open.
struct TestTemplateSetup {
    std::set<int> documentCommands;
    std::set<int> viewCommands;
    QString newTitle;
    bool refuse = false;
};

inline CDocTemplate MakeTestTemplate(TestTemplateSetup setup) {
    return CDocTemplate(
        QIcon(),
        [setup] {
            auto document = std::make_unique<CTestDocument>();
            document->commands.handled = setup.documentCommands;
            document->newTitle = setup.newTitle;
            document->refuse = setup.refuse;
            return std::unique_ptr<CDocument>(std::move(document));
        },
        [setup](CDocument& document) {
            auto view = std::make_unique<CTestView>(document);
            view->commands.handled = setup.viewCommands;
            return std::unique_ptr<CView>(std::move(view));
        });
}
