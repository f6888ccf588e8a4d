/*
 * A small plugin for the host runtime's tests, written in C against
 * REALplugin.h alone, as any plugin is. It registers
 *   Shape (root): properties of every accessor kind, overloaded
 *     constructors, methods with defaults, ByRef parameters, arrays, every
 *     value type, an assignable method, constants;
 *   Square (Shape): 4 bytes of data of its own, an overriding method;
 *   Counter (root): no data, no constructor;
 * and module methods that call the host's services. Registered
 * constructors and destructors note themselves in an event log that
 * TakeEvents() returns.
 */
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "REALplugin.h"

static REALresolver gResolver;

#define SERVICE(name) ((name##Proc)gResolver(#name))

/* --- the event log --- */

static char gEvents[4096];

static void Note(const char* event) {
  size_t used = strlen(gEvents);
  snprintf(gEvents + used, sizeof gEvents - used, "%s%s", used > 0 ? " " : "", event);
}

/* --- strings --- */

static REALstring Text(const char* text) {
  return SERVICE(REALBuildString)(text, (intptr_t)strlen(text));
}

static const char* CText(REALstring text) {
  return SERVICE(StringGetCString)(text);
}

static void Unlock(void* object) {
  if (object != NULL) SERVICE(REALUnlockObject)((REALobject)object);
}

static void Lock(void* object) {
  if (object != NULL) SERVICE(REALLockObject)((REALobject)object);
}

/* --- Shape and Square --- */

typedef struct ShapeData {
  RBInteger width;  /* standard, read/write */
  double ratio;     /* standard, read/write */
  RBBoolean flag;   /* standard, read/write */
  float scale;      /* standard, read/write */
  RBColor tint;     /* standard, read/write */
  REALstring label; /* standard, read/write; Keep and Item store here too */
  REALobject buddy; /* standard, read/write */
  RBInteger serial; /* standard, read-only */
  RBInteger sink;   /* written by a plugin setter only */
} ShapeData;

typedef struct SquareData {
  int32_t corners;
} SquareData;

static REALclassDefinition gShapeClass;
static REALclassDefinition gSquareClass;
static REALclassDefinition gCounterClass;

static ShapeData* Shape(REALobject instance) {
  return (ShapeData*)((char*)instance + gShapeClass.dataOffset);
}

static SquareData* Square(REALobject instance) {
  return (SquareData*)((char*)instance + gSquareClass.dataOffset);
}

static RBInteger gSerial;

static void ShapeConstructor(REALobject instance) {
  Shape(instance)->serial = ++gSerial;
  Note("shape+");
}

static void ShapeDestructor(REALobject instance) {
  (void)instance;
  Note("shape-");
}

static void SquareConstructor(REALobject instance) {
  Square(instance)->corners = 4;
  Note("square+");
}

static void SquareDestructor(REALobject instance) {
  (void)instance;
  Note("square-");
}

/* Host constructors. */
static void ShapeNew(REALobject instance) {
  Shape(instance)->width = 7;
}

static void ShapeNewWidth(REALobject instance, RBInteger width) {
  Shape(instance)->width = width;
}

static void ShapeNewText(REALobject instance, REALstring text) {
  Shape(instance)->width = (RBInteger)strlen(CText(text));
}

/* Plugin accessors: area = width * param; name read-only; sink write-only;
   corners of Square. */
static RBInteger GetArea(REALobject instance, intptr_t param) {
  return Shape(instance)->width * param;
}

static void SetArea(REALobject instance, intptr_t param, RBInteger value) {
  Shape(instance)->width = value / param;
}

static REALstring GetName(REALobject instance, intptr_t param) {
  char text[64];
  snprintf(text, sizeof text, "shape %lld/%ld", (long long)Shape(instance)->serial, (long)param);
  return Text(text);
}

static void SetSink(REALobject instance, intptr_t param, RBInteger value) {
  (void)param;
  Shape(instance)->sink = value;
}

static RBInteger GetCorners(REALobject instance, intptr_t param) {
  (void)param;
  return Square(instance)->corners;
}

/* Methods. */
static double ScaleBy(REALobject instance, double factor, RBBoolean twice) {
  return (double)Shape(instance)->width * factor * (twice ? 2 : 1);
}

static float Half(REALobject instance, float value) {
  (void)instance;
  return value / 2;
}

static double HalfDouble(REALobject instance, double value) {
  (void)instance;
  return value / 2;
}

/* Two overloads no pair of Integers can choose between. */
static RBInteger PairID(REALobject instance, RBInteger a, double b) {
  (void)instance;
  return a + (RBInteger)b;
}

static RBInteger PairDI(REALobject instance, double a, RBInteger b) {
  (void)instance;
  return (RBInteger)a - b;
}

static void Grow(REALobject instance, RBInteger* amount, REALstring* note) {
  Shape(instance)->width += *amount;
  *amount = Shape(instance)->width;
  *note = Text("grown"); /* the host's now; the one given stays the host's too */
}

static RBInteger Offset(REALobject instance, RBInteger dx, RBInteger dy, RBInteger extra) {
  (void)instance;
  return dx * 10000 + dy * 100 + extra;
}

static REALstring Mix(REALobject instance, RBInteger i, double d, RBBoolean b, RBColor c,
                      REALstring s) {
  char text[128];
  (void)instance;
  snprintf(text, sizeof text, "%lld %.2f %d %06X %s", (long long)i, d, b, c, CText(s));
  return Text(text);
}

static REALobject Twin(REALobject instance) {
  REALobject twin = SERVICE(PluginNewInstance)("Square");
  Shape(twin)->width = Shape(instance)->width;
  return twin;
}

/* Returns an object it also keeps: locked first. */
static REALobject Buddy(REALobject instance) {
  Lock(Shape(instance)->buddy);
  return Shape(instance)->buddy;
}

static RBInteger PickShape(REALobject instance, REALobject shape) {
  (void)instance;
  (void)shape;
  return 1;
}

static RBInteger PickSquare(REALobject instance, REALobject square) {
  (void)instance;
  (void)square;
  return 2;
}

static RBInteger Sum(REALobject instance, REALarray values) {
  RBInteger sum = 0;
  intptr_t last = SERVICE(RuntimeUBound)(values);
  (void)instance;
  for (intptr_t i = 0; i <= last; ++i) sum += SERVICE(RuntimeDirectReadIntArray)(values, i);
  return sum;
}

/* Keeps the string given: locks it, and drops the label it replaces. */
static void Keep(REALobject instance, REALstring text) {
  Lock(text);
  Unlock(Shape(instance)->label);
  Shape(instance)->label = text;
}

static REALstring ShapeKind(REALobject instance) {
  (void)instance;
  return Text("shape");
}

static REALstring SquareKind(REALobject instance) {
  (void)instance;
  return Text("square");
}

static REALstring GetItem(REALobject instance, RBInteger index) {
  char text[32];
  (void)instance;
  snprintf(text, sizeof text, "item%lld", (long long)index);
  return Text(text);
}

/* Item(index) = value stores "index:value" as the label. */
static void SetItem(REALobject instance, RBInteger index, REALstring value) {
  char text[128];
  snprintf(text, sizeof text, "%lld:%s", (long long)index, CText(value));
  Unlock(Shape(instance)->label);
  Shape(instance)->label = Text(text);
}

#define PROC(f) ((REALproc)(f))
#define STANDARD(field) REALstandardGetter, REALstandardSetter, offsetof(ShapeData, field)

static REALproperty gShapeProperties[] = {
    {NULL, "width", "Integer", 0, STANDARD(width), NULL, 0, NULL},
    {NULL, "ratio", "Double", 0, STANDARD(ratio), NULL, 0, NULL},
    {NULL, "flag", "boolean", 0, STANDARD(flag), NULL, 0, NULL},
    {NULL, "scale", "Single", 0, STANDARD(scale), NULL, 0, NULL},
    {NULL, "tint", "color", 0, STANDARD(tint), NULL, 0, NULL},
    {NULL, "label", "string", 0, STANDARD(label), NULL, 0, NULL},
    {NULL, "buddy", "Shape", 0, STANDARD(buddy), NULL, 0, NULL},
    {NULL, "serial", "Integer", 0, REALstandardGetter, NULL, offsetof(ShapeData, serial), NULL, 0,
     NULL},
    {NULL, "area", "Integer", 0, PROC(GetArea), PROC(SetArea), 2, NULL, 0, NULL},
    {NULL, "name", "String", 0, PROC(GetName), NULL, 5, NULL, 0, NULL},
    {NULL, "sink", "Integer", 0, NULL, PROC(SetSink), 0, NULL, 0, NULL},
};

static REALmethodDefinition gShapeMethods[] = {
    {PROC(ShapeNew), NULL, "Shape()"},
    {PROC(ShapeNewWidth), NULL, "Shape(width as integer)"},
    {PROC(ShapeNewText), NULL, "Shape(text as string)"},
    {PROC(ScaleBy), NULL, "Scale(factor as double,twice as boolean=false) as double"},
    {PROC(Half), NULL, "Half(value as single) as single"},
    {PROC(HalfDouble), NULL, "Half(value as double) as double"},
    {PROC(PairID), NULL, "Pair(a as integer,b as double) as integer"},
    {PROC(PairDI), NULL, "Pair(a as double,b as integer) as integer"},
    {PROC(Grow), NULL, "Grow(byref amount as integer,byref note as string)"},
    {PROC(Offset), NULL,
     "Offset(dx as integer,dy as integer = -1,extra as integer=&h10) as integer"},
    {PROC(Mix), NULL,
     "Mix(i as integer,d as double,b as boolean,c as color,s as string) as string"},
    {PROC(Twin), NULL, "Twin() as Shape"},
    {PROC(Buddy), NULL, "Buddy() as Shape"},
    {PROC(PickShape), NULL, "Pick(s as Shape) as integer"},
    {PROC(PickSquare), NULL, "Pick(s as Square) as integer"},
    {PROC(Sum), NULL, "Sum(values() as integer) as integer"},
    {PROC(Keep), NULL, "Keep(text as string)"},
    {PROC(ShapeKind), NULL, "Kind() as string"},
    {PROC(GetItem), PROC(SetItem), "Item(index as integer) as string"},
};

static REALconstant gShapeConstants[] = {
    {"kSides =\t4", 0, 0},
    {"kRatio = -2.5", 0, 0},
    {"kKind\t=  \"SHAP\"", 0, 0},
    {"kTabs = \t\t\t\t0", 0, 0},
};

static REALproperty gSquareProperties[] = {
    {NULL, "corners", "Integer", 0, PROC(GetCorners), NULL, 0, NULL, 0, NULL},
};

static REALmethodDefinition gSquareMethods[] = {
    {PROC(SquareKind), NULL, "Kind() as string"},
};

/* --- module methods --- */

static RBInteger Twice(RBInteger n) {
  return n * 2;
}

static REALstring Join(REALstring a, REALstring b, REALstring c) {
  char text[256];
  snprintf(text, sizeof text, "%s%s%s", CText(a), CText(b), CText(c));
  return Text(text);
}

static REALobject MakeSquare(RBInteger width) {
  REALobject square = SERVICE(PluginNewInstance)("Square");
  if (square != NULL) Shape(square)->width = width;
  return square;
}

static REALstring TakeEvents(void) {
  REALstring events = Text(gEvents);
  gEvents[0] = '\0';
  return events;
}

static RBInteger DataOffset(REALstring name) {
  const char* wanted = CText(name);
  if (strcmp(wanted, "Shape") == 0) return gShapeClass.dataOffset;
  if (strcmp(wanted, "Square") == 0) return gSquareClass.dataOffset;
  if (strcmp(wanted, "Counter") == 0) return gCounterClass.dataOffset;
  return -1;
}

/* The path string the host gave carries a reference: handed straight on. */
static REALstring PathOf(REALfolderItem item) {
  return SERVICE(REALpathFromFolderItem)(item);
}

static REALfolderItem ItemAt(REALstring path) {
  return SERVICE(FolderItemFromPath)(CText(path));
}

static RBInteger BlockSum(REALmemoryBlock block) {
  const unsigned char* bytes = SERVICE(memoryBlockGetPtr)(block);
  intptr_t size = SERVICE(memoryBlockGetSize)(block);
  RBInteger sum = 0;
  for (intptr_t i = 0; i < size; ++i) sum += bytes[i];
  return sum;
}

static REALmemoryBlock NewBlock(RBInteger size) {
  REALmemoryBlock block = SERVICE(newMemoryBlock)((intptr_t)size);
  unsigned char* bytes = SERVICE(memoryBlockGetPtr)(block);
  for (RBInteger i = 0; i < size; ++i) bytes[i] = (unsigned char)(i + 1);
  return block;
}

static REALstring PictureInfo(REALpicture picture) {
  REALpictureDescription description;
  char text[64];
  memset(&description, 0, sizeof description);
  SERVICE(lockPictureDescription)(picture, &description);
  snprintf(text, sizeof text, "%ldx%ld", (long)description.width, (long)description.height);
  SERVICE(unlockPictureDescription)(picture);
  return Text(text);
}

struct Rect {
  short top, left, bottom, right;
};

static REALstring Bounds(REALcontrol control) {
  struct Rect r = {0, 0, 0, 0};
  char text[64];
  SERVICE(GetControlBounds)(control, &r);
  snprintf(text, sizeof text, "%d,%d,%d,%d", r.top, r.left, r.bottom, r.right);
  return Text(text);
}

static RBBoolean HasMovie(REALmovie movie) {
  return SERVICE(getMovieMovie)(movie) != NULL;
}

static RBInteger PascalLength(REALstring text) {
  return SERVICE(StringGetPString)(text)[0];
}

static REALstring Converted(REALstring text) {
  return SERVICE(REALConvertString)(text, 0);
}

static RBBoolean Resolves(REALstring name) {
  return gResolver(CText(name)) != NULL;
}

static REALmethodDefinition gModuleMethods[] = {
    {PROC(Twice), NULL, "Twice(n as integer) as integer"},
    {PROC(Join), NULL, "Join(a as string,b as string=\"-\",c as string=\"\") as string"},
    {PROC(MakeSquare), NULL, "MakeSquare(width as integer) as Shape"},
    {PROC(TakeEvents), NULL, "TakeEvents() as string"},
    {PROC(DataOffset), NULL, "DataOffset(name as string) as integer"},
    {PROC(PathOf), NULL, "PathOf(f as folderitem) as string"},
    {PROC(ItemAt), NULL, "ItemAt(path as string) as folderitem"},
    {PROC(BlockSum), NULL, "BlockSum(m as memoryblock) as integer"},
    {PROC(NewBlock), NULL, "NewBlock(size as integer) as memoryblock"},
    {PROC(PictureInfo), NULL, "PictureInfo(p as picture) as string"},
    {PROC(Bounds), NULL, "Bounds(c as RectControl) as string"},
    {PROC(HasMovie), NULL, "HasMovie(m as movie) as boolean"},
    {PROC(PascalLength), NULL, "PascalLength(s as string) as integer"},
    {PROC(Converted), NULL, "Converted(s as string) as string"},
    {PROC(Resolves), NULL, "Resolves(service as string) as boolean"},
};

#define COUNT(array) ((intptr_t)(sizeof(array) / sizeof((array)[0])))

void REALPluginMain(REALresolver resolver) {
  gResolver = resolver;
  SERVICE(RegisterPluginVersion)(kCurrentREALControlVersion);

  gShapeClass.version = kCurrentREALControlVersion;
  gShapeClass.name = "Shape";
  gShapeClass.dataSize = sizeof(ShapeData);
  gShapeClass.constructor = PROC(ShapeConstructor);
  gShapeClass.destructor = PROC(ShapeDestructor);
  gShapeClass.properties = gShapeProperties;
  gShapeClass.propertyCount = COUNT(gShapeProperties);
  gShapeClass.methods = gShapeMethods;
  gShapeClass.methodCount = COUNT(gShapeMethods);
  gShapeClass.constants = gShapeConstants;
  gShapeClass.constantCount = COUNT(gShapeConstants);

  gSquareClass.version = kCurrentREALControlVersion;
  gSquareClass.name = "Square";
  gSquareClass.superName = "Shape";
  gSquareClass.dataSize = sizeof(SquareData);
  gSquareClass.constructor = PROC(SquareConstructor);
  gSquareClass.destructor = PROC(SquareDestructor);
  gSquareClass.properties = gSquareProperties;
  gSquareClass.propertyCount = COUNT(gSquareProperties);
  gSquareClass.methods = gSquareMethods;
  gSquareClass.methodCount = COUNT(gSquareMethods);

  gCounterClass.version = kCurrentREALControlVersion;
  gCounterClass.name = "Counter";

  SERVICE(PluginRegisterClass)(&gShapeClass);
  SERVICE(PluginRegisterClass)(&gSquareClass);
  SERVICE(PluginRegisterClass)(&gCounterClass);
  for (intptr_t i = 0; i < COUNT(gModuleMethods); ++i) {
    SERVICE(PluginRegisterMethod)(&gModuleMethods[i]);
  }
}
