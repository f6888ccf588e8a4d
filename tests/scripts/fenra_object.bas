' The root class and the progress callback as a script sees them.

' Constants, through the class, a subclass and an instance.
Print "addPin", FenraObject.kGMd_addPin, "subPin", FenraObject.kGMd_subPin
Print "composition", FenraProgressCallback.kGMd_composition, "flushFromRam", FenraObject.kLoad_flushFromRam
Dim cb As New FenraProgressCallback
Print "through an instance:", cb.kTime_Poster, cb.kEdit_Undo, cb.kGMd_preMulColorAlpha
Print "classes:", Runtime.ClassCount, "interface:", Runtime.PluginVersion

' A callback without a routine has a native object that is not valid.
Print "empty:", cb.isValid, cb.fenraErr, cb.objPtr, cb.qtObjRef
Print "is a FenraObject:", cb IsA FenraObject, "is a FenraRect:", cb IsA FenraRect

' With a routine (the data of a memoryblock) it is valid; the refCon may be Nil.
Dim code As New MemoryBlock(4)
Dim withProc As New FenraProgressCallback(code, Nil)
Print "with a routine:", withProc.isValid, withProc.fenraErr, withProc.objPtr <> 0, withProc.qtObjRef

' Copies are deep, valid or not; a copy of Nil has no native object.
Dim copy As New FenraProgressCallback(withProc)
Print "copy:", copy.isValid, copy.objPtr <> withProc.objPtr
Dim emptyCopy As New FenraProgressCallback(cb)
Print "copy of an empty one:", emptyCopy.isValid, emptyCopy.fenraErr
Dim none As FenraProgressCallback
Dim fromNil As New FenraProgressCallback(none)
Print "from Nil:", fromNil.isValid, fromNil.fenraErr, fromNil.objPtr
Dim copyOfNothing As New FenraProgressCallback(fromNil)
Print "copy of one without a native object:", copyOfNothing.isValid, copyOfNothing.fenraErr

' Initialize gives an existing native object a routine; without one, nothing.
cb.Initialize(code, Nil)
Print "initialized:", cb.isValid
fromNil.Initialize code, Nil
Print "initialized without a native object:", fromNil.isValid, fromNil.fenraErr
Dim noCode As MemoryBlock
Dim nilProc As New FenraProgressCallback(noCode, Nil)
Print "Nil routine:", nilProc.isValid, nilProc.fenraErr
