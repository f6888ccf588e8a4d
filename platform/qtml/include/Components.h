/*
 * Components.h: the Component Manager. The engine's components (clocks,
 * data handlers, and the codecs, importers and exporters that grow with
 * it) are found by description and opened as instances.
 */
#ifndef __COMPONENTS__
#define __COMPONENTS__

#include "MacErrors.h"
#include "MacTypes.h"

QTML_EXTERN_C_BEGIN

enum {
  kAnyComponentType = 0,
  kAnyComponentSubType = 0,
  kAnyComponentManufacturer = 0,
  kAnyComponentFlagsMask = 0
};

enum { cmpIsMissing = 1L << 29, cmpWantsRegisterMessage = 1L << 31 };

/* Selectors the Component Manager itself sends. Each kind of component
 * numbers its own calls from 0 up; these are below 0. Every component of
 * the engine answers the first four (open, close, can-do, version). */
enum {
  kComponentOpenSelect = -1,
  kComponentCloseSelect = -2,
  kComponentCanDoSelect = -3,
  kComponentVersionSelect = -4,
  kComponentRegisterSelect = -5,
  kComponentTargetSelect = -6,
  kComponentUnregisterSelect = -7,
  kComponentGetMPWorkFunctionSelect = -8,
  kComponentExecuteWiredActionSelect = -9,
  kComponentGetPublicResourceSelect = -10
};

typedef struct ComponentDescription {
  OSType componentType;         /* 0 matches any type */
  OSType componentSubType;      /* 0 matches any subtype */
  OSType componentManufacturer; /* 0 matches any manufacturer */
  UInt32 componentFlags;
  UInt32 componentFlagsMask; /* the flag bits that must match */
} ComponentDescription;

typedef struct ComponentRecord* Component;
typedef struct ComponentInstanceRecord* ComponentInstance;
typedef long ComponentResult;

/* The next component after aComponent (0: the first) matching the
 * description, in registration order; 0 when there is none. A nil
 * description matches every component. */
QTML_API Component FindNextComponent(Component aComponent, ComponentDescription* looking);
QTML_API long CountComponents(ComponentDescription* looking);

/* Fills the description (componentFlagsMask 0) and, for each handle given,
 * the name and information string as Pascal strings; the icon handle is
 * emptied (the engine's components have no icons). aComponent may also be
 * an instance of it. */
QTML_API OSErr GetComponentInfo(Component aComponent, ComponentDescription* cd,
                                Handle componentName, Handle componentInfo, Handle componentIcon);

/* Opens an instance, owned by the caller until CloseComponent. */
QTML_API OSErr OpenAComponent(Component aComponent, ComponentInstance* ci);
QTML_API ComponentInstance OpenComponent(Component aComponent);
/* Opens the first component of the type and subtype (0: any subtype). */
QTML_API ComponentInstance OpenDefaultComponent(OSType componentType, OSType componentSubType);
QTML_API OSErr OpenADefaultComponent(OSType componentType, OSType componentSubType,
                                     ComponentInstance* ci);
QTML_API OSErr CloseComponent(ComponentInstance aComponentInstance);

/* The result of the instance's last call. */
QTML_API OSErr GetComponentInstanceError(ComponentInstance aComponentInstance);
QTML_API void SetComponentInstanceError(ComponentInstance aComponentInstance, OSErr theError);
/* Version in the high 16 bits, revision in the low; badComponentInstance
 * for an instance that does not exist. */
QTML_API long GetComponentVersion(ComponentInstance aComponentInstance);
QTML_API long GetComponentRefcon(Component aComponent);
QTML_API void SetComponentRefcon(Component aComponent, long theRefcon);
QTML_API long CountComponentInstances(Component aComponent);

/* Whether the instance implements the call of that selector: 1 for the
 * standard selectors every component answers and for the calls its kind
 * implements, 0 for any other; badComponentInstance for an instance that
 * does not exist. A call of a kind made on an instance that does not
 * implement it answers badComponentSelector. */
QTML_API ComponentResult CallComponentCanDo(ComponentInstance ci, SInt16 ftnNumber);
/* The same question answered true (1) or false (0); false for an
 * instance that does not exist. */
QTML_API long ComponentFunctionImplemented(ComponentInstance ci, short ftnNumber);

QTML_EXTERN_C_END

#endif /* __COMPONENTS__ */
