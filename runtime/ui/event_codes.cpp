#include "runtime/ui/event_codes.h"

namespace kiv::ui {
namespace {

struct Named {
  int32_t code;
  const char* name;
};

constexpr Named kEventNames[] = {
    {1, "EVENT:Accepted"},     {2, "EVENT:NewSelection"},  {3, "EVENT:ScrollUp"},
    {4, "EVENT:ScrollDown"},   {5, "EVENT:PageUp"},        {6, "EVENT:PageDown"},
    {7, "EVENT:ScrollTop"},    {8, "EVENT:ScrollBottom"},  {9, "EVENT:Locate"},
    {10, "EVENT:MouseUp"},     {11, "EVENT:MouseIn"},      {12, "EVENT:MouseOut"},
    {13, "EVENT:MouseMove"},   {14, "EVENT:VBXevent"},     {15, "EVENT:AlertKey"},
    {16, "EVENT:PreAlert"},    {17, "EVENT:Dragging"},     {18, "EVENT:Drag"},
    {19, "EVENT:Drop"},        {20, "EVENT:ScrollDrag"},   {21, "EVENT:TabChanging"},
    {22, "EVENT:Expanding"},   {23, "EVENT:Contracting"},  {24, "EVENT:Expanded"},
    {25, "EVENT:Contracted"},  {26, "EVENT:Rejected"},     {27, "EVENT:DroppingDown"},
    {28, "EVENT:DroppedDown"}, {29, "EVENT:ScrollTrack"},  {30, "EVENT:ColumnResize"},
    {257, "EVENT:Selected"},   {513, "EVENT:CloseWindow"}, {514, "EVENT:CloseDown"},
    {515, "EVENT:OpenWindow"}, {516, "EVENT:OpenFailed"},  {517, "EVENT:LoseFocus"},
    {518, "EVENT:GainFocus"},  {520, "EVENT:Suspend"},     {521, "EVENT:Resume"},
    {522, "EVENT:Notify"},     {523, "EVENT:Timer"},       {524, "EVENT:DDErequest"},
    {525, "EVENT:DDEadvise"},  {526, "EVENT:DDEdata"},     {527, "EVENT:DDEexecute"},
    {528, "EVENT:DDEpoke"},    {529, "EVENT:DDEclosed"},   {544, "EVENT:Move"},
    {545, "EVENT:Size"},       {546, "EVENT:Restore"},     {547, "EVENT:Maximize"},
    {548, "EVENT:Iconize"},    {549, "EVENT:Completed"},   {560, "EVENT:Moved"},
    {561, "EVENT:Sized"},      {562, "EVENT:Restored"},    {563, "EVENT:Maximized"},
    {564, "EVENT:Iconized"},
};

constexpr const char* kInternalNames[] = {
    "QUERY_SETUSE",         "QUERY_SELECTED", "QUERY_COMMAND", "QUERY_HOTCHANGE",
    "QUERY_HELP",           "QUERY_QUIT",     "QUERY_REPLY",   "QUERY_LOSEFOCUS",
    "QUERY_PSCREEN",        "QUERY_PFIELD",   "QUERY_COLOR",   "QUERY_LOCATE",
    "QUERY_CONTINUETHREAD", "QUERY_NOTIFY",   "QUERY_HSCROLL", "QUERY_EDITDONE",
};

}  // namespace

const char* eventName(int32_t code) {
  for (const Named& n : kEventNames)
    if (n.code == code) return n.name;
  return nullptr;
}

const char* internalMessageName(int32_t code) {
  int32_t i = code - 0x2401;
  if (i < 0 || i >= static_cast<int32_t>(sizeof kInternalNames / sizeof kInternalNames[0]))
    return nullptr;
  return kInternalNames[i];
}

}  // namespace kiv::ui
