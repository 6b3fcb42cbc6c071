#include "talvex/experiment/window_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace talvex::experiment {
namespace {

struct Box {
  int left, top, right, bottom;  // right and bottom exclusive
};

Box BoxOf(const ControlLayout& control) {
  return {control.left, control.top, control.left + control.width, control.top + control.height};
}

bool Overlap(const Box& a, const Box& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Contains(const Box& outer, const Box& inner) {
  return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

const WindowLayout* const kWindows[] = {&Form1Layout(), &Form2Layout()};

// The designed geometry of both windows: every control inside the client area, names unique,
// and no two controls overlapping unless the later one is designed to lie in front of the
// earlier one (Memo1 over the picture, the ratings over their frame, which holds them whole).
TEST(WindowLayout, ControlsInsideTheWindowAndOverlappingOnlyAsDesigned) {
  for (const WindowLayout* window : kWindows) {
    const Box client{0, 0, window->clientWidth, window->clientHeight};
    std::set<std::string> names;
    for (const ControlLayout& control : *window) {
      EXPECT_TRUE(names.insert(control.name).second) << window->name << " " << control.name;
      EXPECT_GT(control.width, 0) << control.name;
      EXPECT_GT(control.height, 0) << control.name;
      EXPECT_TRUE(Contains(client, BoxOf(control))) << window->name << " " << control.name;
    }
    for (const ControlLayout* front = window->begin(); front != window->end(); ++front) {
      for (const ControlLayout* back = window->begin(); back != front; ++back) {
        const bool designed =
            front->inFrontOf != nullptr && back->name == std::string(front->inFrontOf);
        EXPECT_EQ(Overlap(BoxOf(*front), BoxOf(*back)), designed)
            << window->name << ": " << front->name << " and " << back->name;
      }
      if (front->inFrontOf != nullptr) {
        // The control behind comes earlier in the table, so it is made first and lies behind.
        const ControlLayout& back = window->Control(front->inFrontOf);
        EXPECT_LT(&back, front) << front->name;
        if (back.kind == ControlKind::Frame) {
          EXPECT_TRUE(Contains(BoxOf(back), BoxOf(*front))) << front->name;
        }
      }
    }
  }
  EXPECT_THROW(Form1Layout().Control("Button1"), std::out_of_range);
}

// Every control a rater can reach by keyboard has a place in the tab order, nothing else has
// one, the places are 0, 1, 2... without gaps, and the rating buttons follow one another
// from top to bottom.
TEST(WindowLayout, TabOrderCoversTheInputControlsAndFollowsTheRatingsDownwards) {
  for (const WindowLayout* window : kWindows) {
    std::vector<const ControlLayout*> stops;
    for (const ControlLayout& control : *window) {
      const bool input = TakesFocus(control.kind);
      const bool display = control.kind == ControlKind::Label ||
                           control.kind == ControlKind::Link ||
                           control.kind == ControlKind::PictureArea;
      if (input) {
        EXPECT_GE(control.tabOrder, 0) << control.name;
      } else if (display) {
        EXPECT_EQ(control.tabOrder, -1) << control.name;
      }
      if (control.tabOrder >= 0) stops.push_back(&control);
    }
    std::sort(stops.begin(), stops.end(),
              [](const auto* a, const auto* b) { return a->tabOrder < b->tabOrder; });
    int lastRatingTop = -1;
    for (size_t i = 0; i < stops.size(); ++i) {
      EXPECT_EQ(stops[i]->tabOrder, static_cast<int>(i)) << stops[i]->name;
      if (stops[i]->kind == ControlKind::RadioButton) {
        EXPECT_GT(stops[i]->top, lastRatingTop) << stops[i]->name;
        lastRatingTop = stops[i]->top;
      }
    }
  }
  // The ID field is the first stop a rater reaches: the frame before it takes no focus.
  EXPECT_EQ(Form1Layout().Control("Edit1").tabOrder, 1);
  EXPECT_EQ(Form1Layout().Control("RadioGroup1").kind, ControlKind::Frame);
}

// A control that loses the focus by being disabled or removed hands it to the next stop of the
// tab order, going round, that takes the focus and is there; never to itself.
TEST(WindowLayout, FocusOfAControlThatGoesPassesToTheNextStopThatCanTakeIt) {
  const WindowLayout& form1 = Form1Layout();
  std::set<std::string> gone;
  const auto there = [&gone](const ControlLayout& control) {
    return gone.count(control.name) == 0;
  };
  const auto next = [&](const char* from) {
    const ControlLayout* to = NextFocus(form1, from, there);
    return std::string(to != nullptr ? to->name : "none");
  };
  EXPECT_EQ(next("Edit1"), "RadioButton1");
  EXPECT_EQ(next("Button2"), "Memo1");  // the progress bar between them takes no focus
  // After Start: the ID field and the welcome text are gone, past the frame to the ratings.
  gone = {"Edit1", "Memo1"};
  EXPECT_EQ(next("Button2"), "RadioButton1");
  gone = {"Edit1",        "Memo1",        "RadioButton1", "RadioButton2",
          "RadioButton3", "RadioButton4", "RadioButton5"};
  EXPECT_EQ(next("Button2"), "none");
  EXPECT_EQ(next("Label1"), "none");  // not a stop of the tab order
  EXPECT_EQ(NextFocus(Form2Layout(), "Label12", there), nullptr);
}

TEST(WindowLayout, ScaledOnceByTheTextHeight) {
  EXPECT_DOUBLE_EQ(DesignScale(kDesignedTextHeight), 1.0);
  EXPECT_DOUBLE_EQ(DesignScale(26), 2.0);
  EXPECT_DOUBLE_EQ(DesignScale(0), 1.0);  // a font that reports no height leaves the design
  const struct {
    int designed;
    double scale;
    int scaled;
  } cases[] = {{634, 1.0, 634}, {634, 15.0 / 13, 732}, {7, 1.5, 11}, {13, 16.0 / 13, 16}};
  for (const auto& c : cases) EXPECT_EQ(Scaled(c.designed, c.scale), c.scaled) << c.designed;
}

}  // namespace
}  // namespace talvex::experiment
