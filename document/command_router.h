#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "document/document_views.h"

namespace brelix {

// Every command of the menus, the toolbar and the accelerators.
enum class ECommand {
    FileNew,
    FileOpen,
    FileSave,
    FileSaveAs,
    ExportResults,
    SaveGraphAs,
    Print,
    Exit,
    Copy,
    Paste,
    PasteSwapped,
    Cut,
    Undo,
    NextPane,
    PreviousPane,
    ModelGraphic,
    GraphSpectral,
    GraphX,
    GraphY,
    Results,
    DrawOnRaytrace,
    ColorScale,
    CompressZ,
    CompressX,
    CompressY,
    Reseed,
    StopWhenFinished,
    StopAt,
    Start,
    Pause,
    Stop,
    AddBatch,
    EditBatch,
    DeleteBatch,
    AddLayer,
    EditLayer,
    DeleteLayer,
    AddPlane,
    EditPlane,
    DeletePlane,
    EditEdges,
    HelpTopics,
    About,
    Count
};

// Who handles a command. A command travels from the active view to the document, then the frame, then
// the application; the first of them that registered a handler for it takes it.
enum class ETarget { ModelView, GraphView, ResultsView, Document, Frame, Application };

// What a menu item or toolbar button shows.
struct CCommandState {
    bool enabled = false;
    bool checked = false;
    std::string text;  // empty: the item keeps its own text
};

// The one place where each command is registered with its handler and its enabling rule.
class CCommandRouter {
public:
    using Action = std::function<void()>;
    using Rule = std::function<bool()>;
    using Text = std::function<std::string()>;

    // `enabled` empty means always; `checked` and `text` may be empty.
    void Register(ECommand command, ETarget target, Action run, Rule enabled = {}, Rule checked = {},
                  Text text = {});
    // The state of the command as the active view sees it: disabled when no handler on its route.
    CCommandState State(ECommand command, EView activeView) const;
    // Runs the command's handler when its rule allows it now (a shortcut may fire on a stale state).
    bool Run(ECommand command, EView activeView) const;
    bool IsCheckable(ECommand command) const;

private:
    struct CHandler {
        ETarget target;
        Action run;
        Rule enabled;
        Rule checked;
        Text text;
    };
    const CHandler* Route(ECommand command, EView activeView) const;

    std::array<std::vector<CHandler>, static_cast<size_t>(ECommand::Count)> handlers_;
};

}  // namespace brelix
