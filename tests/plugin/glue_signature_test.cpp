// The compile-time check of glue functions against declarations, checked
// both ways: functions of the C type the host calls match, and each kind of
// difference is found and named. The compiler decides everything here.
#include "plugin/glue_signature.h"

#include "REALplugin.h"

namespace {

using fenra::glue::Check;
using fenra::glue::Matches;
using fenra::glue::Problem;
using fenra::glue::Role;
using fenra::glue::Verdict;

// Glue function shapes; never called.
RBInteger SamplesCount(REALobject, REALobject, REALstring) {
  return 0;
}
void Scalars(REALobject, RBInteger, double, float, RBBoolean, RBColor, REALstring) {}
void HostObjects(REALobject, REALfolderItem, REALpicture, REALmovie, REALmoviePlayer, REALwindow,
                 REALcontrol, REALmemoryBlock, REALarray, REALobject, REALobject, REALobject) {}
void ControlTaken(REALobject, REALcontrol) {}
void Arrays(REALobject, REALarray, REALarray) {}
void GraphicsModeGet(REALobject, RBInteger*, RBColor*) {}
void FlushRange(REALobject, REALfolderItem, REALobject, RBBoolean) {}
void Reset(REALobject) {}
RBInteger ResetAnswering(REALobject) {
  return 0;
}
RBInteger GetSide(REALobject, intptr_t) {
  return 0;
}
void SetSide(REALobject, intptr_t, RBInteger) {}
REALstring GetWithoutSelector(REALobject) {
  return nullptr;
}
void SetItem(REALobject, REALstring, RBInteger, REALstring) {}
RBBoolean IsMovieFile(REALfolderItem) {
  return 0;
}
bool IsMovieFileAsBool(REALfolderItem) {
  return false;
}
int32_t QTVersionNarrow() {
  return 0;
}
void NoThrow(REALobject, RBInteger) noexcept {}

constexpr bool Same(Verdict a, Verdict b) {
  return a.problem == b.problem && a.index == b.index;
}

// Members take the instance first, then one C type per declared type.
static_assert(Matches<SamplesCount, Role::kMember,
                      "qtSamplesCount(tmRange as FenraTimeRange,fType as string) as integer">());
static_assert(!Matches<SamplesCount, Role::kModuleMethod,
                       "qtSamplesCount(tmRange as FenraTimeRange,fType as string) as integer">());
static_assert(Same(Check<decltype(&SamplesCount), Role::kMember,
                         "qtSamplesCount(tmRange as FenraTimeRange,fType as string) as boolean">(),
                   {Problem::kResultType}));
static_assert(Same(Check<decltype(&SamplesCount), Role::kMember, "qtSamplesCount(t as integer)">(),
                   {Problem::kArity}));

// The scalar types, any integer width as RBInteger, names in any case.
static_assert(
    Matches<Scalars, Role::kMember,
            "S(a as Int16,b as DOUBLE,c as single,d as Boolean,e as color,f as String)">());
static_assert(Matches<Scalars, Role::kMember,
                      "S(a as ptr,b as double,c as single,d as boolean,e as color,f as string)">());
// Single and Double swapped: the first to differ is b, after the instance.
static_assert(Same(Check<decltype(&Scalars), Role::kMember,
                         "S(a as integer,b as single,c as double,d as boolean,e as color,f as "
                         "string)">(),
                   {Problem::kParameterType, 2}));
static_assert(!Matches<Scalars, Role::kMember,
                       "S(a as integer,b as double,c as single,d as integer,e as color,f as "
                       "string)">());

// Host classes with a typedef of their own travel as it; every other
// object type, including the plugin's classes, as REALobject.
static_assert(Matches<HostObjects, Role::kMember,
                      "O(a as FolderItem,b as picture,c as Movie,d as MoviePlayer,e as window,"
                      "f as control,g as MemoryBlock,h as integer(),i as Graphics,"
                      "j as RectControl,k as FenraMovie)">());
static_assert(!Matches<ControlTaken, Role::kMember, "P(refCon as RectControl)">());
static_assert(Matches<ControlTaken, Role::kMember, "P(c as Control)">());

// An array by either spelling.
static_assert(Matches<Arrays, Role::kMember, "A(a() as integer,b as string())">());
static_assert(!Matches<Arrays, Role::kMember, "A(a as integer,b as string())">());

// ByRef is a pointer to the slot, keywords in any case; ByVal is not.
static_assert(Matches<GraphicsModeGet, Role::kMember,
                      "graphicsModeGet(byref gMode as integer,byref gCol as color)">());
static_assert(Matches<GraphicsModeGet, Role::kMember,
                      "graphicsModeGet(ByRef gMode As Integer, BYREF gCol AS Color)">());
static_assert(Same(Check<decltype(&GraphicsModeGet), Role::kMember,
                         "graphicsModeGet(byref gMode as integer,byval gCol as color)">(),
                   {Problem::kParameterType, 2}));

// Optional and defaulted parameters are passed like the others; a default
// may hold a quoted ',' or ')'.
static_assert(Matches<FlushRange, Role::kMember,
                      "qtFlush(dstFile as folderitem,tmRange as FenraTimeRange,selfContained as "
                      "boolean=true)">());
static_assert(Matches<FlushRange, Role::kMember,
                      "qtFlush(f as folderitem,Optional r as FenraTimeRange,s as boolean)">());
static_assert(Matches<SetItem, Role::kAssignSetter,
                      "Item(udType as string=\"a,b)\",index as integer=1) as string">());

// Without "as type" a member answers nothing.
static_assert(Matches<Reset, Role::kMember, "Reset()">());
static_assert(Matches<Reset, Role::kMember, "Reset">());
static_assert(Same(Check<decltype(&ResetAnswering), Role::kMember, "Reset()">(),
                   {Problem::kResultType}));

// Property accessors: the instance, the selector, the value.
static_assert(Matches<GetSide, Role::kGetter, "Integer">());
static_assert(Matches<SetSide, Role::kSetter, "integer">());
static_assert(Same(Check<decltype(&SetSide), Role::kSetter, "Double">(),
                   {Problem::kParameterType, 2}));
static_assert(Same(Check<decltype(&GetWithoutSelector), Role::kGetter, "String">(),
                   {Problem::kArity}));

// An assignable method's setter takes the assigned value last, of the
// result type; it needs one.
static_assert(
    Matches<SetItem, Role::kAssignSetter, "Item(udType as string,index as integer) as string">());
static_assert(
    !Matches<SetItem, Role::kAssignSetter, "Item(udType as string,index as integer) as integer">());
static_assert(Same(Check<decltype(&SetItem), Role::kAssignSetter,
                         "Item(udType as string,index as integer,v as string)">(),
                   {Problem::kUnreadable}));

// Module methods take no instance; C++ bool and narrow integers are not
// the host's Boolean and Integer.
static_assert(Matches<IsMovieFile, Role::kModuleMethod,
                      "Fenra_IsFileMovieFile(srcFile as folderitem) as boolean">());
static_assert(!Matches<IsMovieFile, Role::kMember,
                       "Fenra_IsFileMovieFile(srcFile as folderitem) as boolean">());
static_assert(!Matches<IsMovieFileAsBool, Role::kModuleMethod,
                       "Fenra_IsFileMovieFile(srcFile as folderitem) as boolean">());
static_assert(!Matches<QTVersionNarrow, Role::kModuleMethod, "Fenra_QTVersion() as integer">());

// Constructors and destructors of records.
static_assert(Matches<Reset, Role::kInstanceProc, "">());
static_assert(!Matches<GetSide, Role::kInstanceProc, "">());

// noexcept is no part of what the host sees.
static_assert(Matches<NoThrow, Role::kMember, "N(x as integer)">());

// Texts the host cannot read.
static_assert(Same(Check<decltype(&Reset), Role::kMember, "Reset(x integer)">(),
                   {Problem::kUnreadable}));
static_assert(Same(Check<decltype(&Reset), Role::kMember, "Reset(x as integer">(),
                   {Problem::kUnreadable}));
static_assert(Same(Check<decltype(&Reset), Role::kMember, "Reset() as">(), {Problem::kUnreadable}));
static_assert(Same(Check<decltype(&Reset), Role::kMember, "Reset() integer">(),
                   {Problem::kUnreadable}));
static_assert(Same(Check<decltype(&GetSide), Role::kGetter, "">(), {Problem::kUnreadable}));

}  // namespace
