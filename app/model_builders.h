#pragma once

#include <memory>

#include "app/dialog_support.h"
#include "edit/model_builder.h"
#include "edit/tree_code.h"

namespace brelix {

class CBrelix6Doc;
class CCommandRouter;
class CMainFrame;
class IMessages;

// The "Builders" commands and "Copy"/"Paste" of the model view: the adds, deletes and pastes of
// CModelBuilder, the editors the Edit commands and the model tree's double clicks open, and what follows
// each (the modified flag, the views).
class CModelBuilders {
  public:
    CModelBuilders(CBrelix6Doc& doc, CMainFrame& frame);
    ~CModelBuilders();

    // Registers every builder command and the model view's "Copy" and "Paste" with its rule.
    void Register(CCommandRouter& router);
    // A double click in the model tree: the item is selected as a click selects it, and its editor opens.
    void OnTreeDoubleClick(const CTreeCode& code);

    // How the editors run; tests drive the dialogs through it.
    DialogRunner runDialog = ExecDialog;

  private:
    void Run(EBuilderCommand command);
    void EditBatch();
    void EditLayer();
    void EditPlane();
    void EditEdges();
    // The model changed: the document is modified and every view updated.
    void Changed();
    // An editor ended: a change stays a change whatever its result, and the tree shows the new names.
    void Edited(bool changed);

    CBrelix6Doc& doc_;
    CMainFrame& frame_;
    std::unique_ptr<IMessages> messages_;
};

}  // namespace brelix
