#include "document/command_router.h"

#include <gtest/gtest.h>

namespace brelix {
namespace {

// A command goes to the active view first, then the document, the frame and the application; a view
// that is not active never sees it, and a command nobody handles is disabled and does nothing.
TEST(CCommandRouter, RoutesFromTheActiveViewAndKeepsUnhandledCommandsDisabled) {
    CCommandRouter router;
    std::vector<std::string> ran;
    bool canStop = false;
    router.Register(ECommand::CompressX, ETarget::ModelView, [&] { ran.push_back("view compress"); }, {},
                    [] { return true; });
    router.Register(ECommand::Stop, ETarget::Document, [&] { ran.push_back("doc stop"); }, [&] { return canStop; });
    router.Register(ECommand::FileNew, ETarget::Application, [&] { ran.push_back("app new"); });
    router.Register(ECommand::FileNew, ETarget::Frame, [&] { ran.push_back("frame new"); });
    router.Register(ECommand::StopAt, ETarget::Document, [] {}, {}, {}, [] { return "Repeat After 7 Trace Ops"; });

    EXPECT_TRUE(router.State(ECommand::CompressX, EView::Model).enabled);
    EXPECT_TRUE(router.State(ECommand::CompressX, EView::Model).checked);
    EXPECT_FALSE(router.State(ECommand::CompressX, EView::Results).enabled);
    EXPECT_FALSE(router.Run(ECommand::CompressX, EView::Graph));
    EXPECT_TRUE(router.Run(ECommand::CompressX, EView::Model));

    // The rule is asked again when the command runs, as a shortcut may fire on an old state.
    EXPECT_FALSE(router.State(ECommand::Stop, EView::Results).enabled);
    EXPECT_FALSE(router.Run(ECommand::Stop, EView::Model));
    canStop = true;
    EXPECT_TRUE(router.State(ECommand::Stop, EView::Results).enabled);
    EXPECT_TRUE(router.Run(ECommand::Stop, EView::Results));

    EXPECT_TRUE(router.Run(ECommand::FileNew, EView::Model));
    EXPECT_EQ(ran, (std::vector<std::string>{"view compress", "doc stop", "frame new"}));

    EXPECT_EQ(router.State(ECommand::StopAt, EView::Model).text, "Repeat After 7 Trace Ops");
    EXPECT_FALSE(router.State(ECommand::Cut, EView::Model).enabled);
    EXPECT_FALSE(router.Run(ECommand::Cut, EView::Model));
    EXPECT_TRUE(router.IsCheckable(ECommand::CompressX));
    EXPECT_FALSE(router.IsCheckable(ECommand::Stop));
}

}  // namespace
}  // namespace brelix
