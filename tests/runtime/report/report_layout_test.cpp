// Report descriptions (what the parser takes and refuses) and the placement of bands on a page.
#include <gtest/gtest.h>

#include "runtime/report/page_flow.h"
#include "runtime/ui/description.h"

namespace {

using kiv::report::Box;
using kiv::report::PageFlow;
using kiv::ui::ControlType;

std::optional<kiv::ui::ModuleDesc> parse(const std::string& body, kiv::ui::ParseError& error) {
  return kiv::ui::parseDescription("module T.kvw$t\n" + body, error);
}

TEST(ReportDescription, BandsGroupsAndReportAttributesParse) {
  kiv::ui::ParseError error;
  auto m = parse(R"(structure R$REPORT report at 500 400 7500 10000 paper 8500 14000 font "Arial" 9
  header 2 at 0 0 0 500
    prompt 3 "Title" at 0 0 3000 250 center
    prompt 4 picture "@n3" pageno at 6000 0 1000 250 right
  end
  group 10 use 1 long
    header 11
      prompt 12 use 1 long picture "@n6" at 0 0 1000 200
      group 13 "Frame" at 0 0 100 100
      end
    end
    group 20
      detail 21 at 0 0 2625 1000
        box 22 at 0 0 2625 1000
      end
    end
  end
  footer 5 at 0 0 0 300
  end
end
)",
                 error);
  ASSERT_TRUE(m) << error.line << ": " << error.message;
  const auto& s = m->structures.at(0);
  EXPECT_EQ(s.kind, kiv::ui::StructureKind::Report);
  EXPECT_EQ(s.paperWidth, 8500);
  EXPECT_EQ(s.paperHeight, 14000);
  EXPECT_EQ(s.at.x, 500);
  ASSERT_EQ(s.controls.size(), 3u);
  EXPECT_EQ(s.controls[0].type, ControlType::Header);
  EXPECT_EQ(s.controls[0].children[0].justify, 'C');
  EXPECT_TRUE(s.controls[0].children[1].pageNo);
  EXPECT_EQ(s.controls[0].children[1].justify, 'R');
  const auto& group = s.controls[1];
  EXPECT_EQ(group.type, ControlType::Break);
  EXPECT_EQ(group.use.index, 1);
  EXPECT_EQ(group.children[0].type, ControlType::Header);
  EXPECT_EQ(group.children[0].children[1].type, ControlType::Group);  // a frame inside a band
  EXPECT_EQ(group.children[1].type, ControlType::Break);
  EXPECT_EQ(group.children[1].children[0].type, ControlType::Detail);
  EXPECT_EQ(s.controls[2].type, ControlType::Footer);
}

TEST(ReportDescription, MisplacedBandsAndControlsAreRefused) {
  struct Row {
    const char* text;
    int line;
    const char* message;
  };
  const Row rows[] = {
      {"structure W window\n detail 5\n end\nend\n", 3, "a detail band belongs in a report"},
      {"structure R report\n prompt 3 \"x\"\nend\n", 3, "a prompt outside a band"},
      {"structure R report\n detail 3\n  detail 4\n  end\n end\nend\n", 4,
       "a detail band inside a band"},
      {"structure R report\n header 3\n end\n header 4\n end\nend\n", 5,
       "a second header at this level"},
      {"structure R report\n group 3\n  footer 4\n  end\n  footer 5\n  end\n end\nend\n", 6,
       "a second footer at this level"},
      {"structure R report\n menubar\n end\nend\n", 3, "a report has no menubar"},
      {"structure R report\n status 100\nend\n", 3, "a report has no status"},
      {"structure W window paper 100 100\nend\n", 2, "unknown window attribute 'paper'"},
      {"structure R report paper 0 100\nend\n", 2, "empty paper"},
      {"structure R report\n detail 3 use 1 long\n end\nend\n", 3, "a detail has no value to USE"},
      {"structure R report\n detail 3\n  box 4 use 1 long\n end\nend\n", 4,
       "a box has no value to USE"},
      {"structure R report\n detail\n end\nend\n", 3, "field equate expected"},
      {"structure R report\n detail 3\n end\n detail 3\n end\nend\n", 5,
       "field equate 3 used twice"},
      {"structure R report\n group 3\n  detail 4\n  end\nend\n", 2,
       "missing 'end' for the block opened on this line"},
  };
  for (const Row& r : rows) {
    kiv::ui::ParseError error;
    EXPECT_FALSE(parse(r.text, error)) << r.text;
    EXPECT_EQ(error.line, r.line) << r.text;
    EXPECT_EQ(error.message, r.message) << r.text;
  }
}

std::vector<Box> placeAll(PageFlow& flow, int count, int32_t w, int32_t h, bool beside) {
  std::vector<Box> out;
  for (int i = 0; i < count; ++i) {
    auto at = flow.place(w, h, beside);
    if (!at) break;
    out.push_back(*at);
  }
  return out;
}

TEST(PageFlow, LabelsFillRowsAcrossThenDown) {
  Box body = kiv::report::bodyOnPaper({500, 350, 8500, 11000}, 8500, 11000);
  EXPECT_EQ(body.right(), 8500);  // cut to the paper
  EXPECT_EQ(body.bottom(), 11000);
  PageFlow flow(body, 0, 0);
  std::vector<Box> labels = placeAll(flow, 40, 2625, 1000, true);
  ASSERT_EQ(labels.size(), 30u);
  EXPECT_EQ(labels[2].x, 500 + 2 * 2625);
  EXPECT_EQ(labels[3].x, 500);
  EXPECT_EQ(labels[3].y, 1350);
  EXPECT_EQ(labels[29].y, 350 + 9 * 1000);
}

TEST(PageFlow, OtherBandsTakeARowOfTheirOwn) {
  PageFlow flow({0, 0, 8000, 10000}, 1000, 500);
  EXPECT_EQ(flow.headerBox().y, 0);
  EXPECT_EQ(flow.footerBox().y, 9500);
  auto a = flow.place(2000, 300, true);
  auto b = flow.place(2000, 500, true);   // beside a; the row is now 500 high
  auto g = flow.place(8000, 200, false);  // a group header starts a row
  auto c = flow.place(2000, 300, true);   // and no detail joins it
  auto d = flow.place(6500, 300, true);   // too wide for the rest of c's row: a new row
  ASSERT_TRUE(a && b && g && c && d);
  EXPECT_EQ(a->y, 1000);
  EXPECT_EQ(b->x, 2000);
  EXPECT_EQ(b->y, 1000);
  EXPECT_EQ(g->y, 1500);
  EXPECT_EQ(c->y, 1700);
  EXPECT_EQ(c->x, 0);
  EXPECT_EQ(d->y, 2000);
  EXPECT_EQ(d->x, 0);
}

TEST(PageFlow, AFullPageRefusesButAnEmptyPageTakesAnyBand) {
  PageFlow flow({0, 0, 8000, 1000}, 200, 200);
  EXPECT_EQ(placeAll(flow, 10, 8000, 250, false).size(), 2u);  // 600 between header and footer
  PageFlow empty({0, 0, 8000, 1000}, 200, 200);
  auto tall = empty.place(8000, 5000, false);
  ASSERT_TRUE(tall);
  EXPECT_EQ(tall->y, 200);
  EXPECT_FALSE(empty.place(8000, 10, false));
}

TEST(PageFlow, BodyWithoutSizeKeepsEqualMargins) {
  Box b = kiv::report::bodyOnPaper({500, 1000, 0, 0}, 8500, 11000);
  EXPECT_EQ(b.w, 7500);
  EXPECT_EQ(b.h, 9000);
  Box off = kiv::report::bodyOnPaper({9000, 20000, 100, 100}, 8500, 11000);
  EXPECT_EQ(off.w, 0);
  EXPECT_EQ(off.h, 0);
}

}  // namespace
