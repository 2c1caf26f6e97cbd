#include "document/command_router.h"

namespace brelix {

namespace {

ETarget ViewTarget(EView view) {
    switch (view) {
        case EView::Graph: return ETarget::GraphView;
        case EView::Results: return ETarget::ResultsView;
        case EView::Model: break;
    }
    return ETarget::ModelView;
}

}  // namespace

void CCommandRouter::Register(ECommand command, ETarget target, Action run, Rule enabled, Rule checked,
                              Text text) {
    handlers_[static_cast<size_t>(command)].push_back(
        {target, std::move(run), std::move(enabled), std::move(checked), std::move(text)});
}

const CCommandRouter::CHandler* CCommandRouter::Route(ECommand command, EView activeView) const {
    const ETarget route[] = {ViewTarget(activeView), ETarget::Document, ETarget::Frame, ETarget::Application};
    const std::vector<CHandler>& handlers = handlers_[static_cast<size_t>(command)];
    for (ETarget target : route)
        for (const CHandler& handler : handlers)
            if (handler.target == target) return &handler;
    return nullptr;
}

CCommandState CCommandRouter::State(ECommand command, EView activeView) const {
    CCommandState state;
    const CHandler* handler = Route(command, activeView);
    if (!handler) return state;
    state.enabled = !handler->enabled || handler->enabled();
    state.checked = handler->checked && handler->checked();
    if (handler->text) state.text = handler->text();
    return state;
}

bool CCommandRouter::Run(ECommand command, EView activeView) const {
    const CHandler* handler = Route(command, activeView);
    if (!handler || (handler->enabled && !handler->enabled())) return false;
    handler->run();
    return true;
}

bool CCommandRouter::IsCheckable(ECommand command) const {
    for (const CHandler& handler : handlers_[static_cast<size_t>(command)])
        if (handler.checked) return true;
    return false;
}

}  // namespace brelix
