' Data references to files, URLs and copies, as a script sees them.
Dim dir As FolderItem = SpecialFolder.Temporary.Child("data-ref")
dir.CreateAsFolder

' A file that does not exist yet still gives an alias; it resolves once the
' file is there.
Dim later As FolderItem = dir.Child("later.png")
Dim fileRef As New FenraDataRef(later)
Print "file:", fileRef.isValid, fileRef.fenraErr, fileRef.qtRefType
Print "flags:", fileRef.qtDataIsSelfContained, fileRef.qtDataIsNotResolved, fileRef.qtDataIsInMemory
Print "not there yet:", fileRef.qtDataFileRef Is Nil, fileRef.fenraErr
Dim p As New Picture(2, 2, 32)
p.Save(later)
Dim back As FolderItem = fileRef.qtDataFileRef
Print "there now:", back.Name, back.Exists, fileRef.fenraErr
Print "a file has no URL:", fileRef.qtDataURLRef = "", Len(fileRef.qtDataURLRef)

' A URL keeps its terminating zero.
Dim urlRef As New FenraDataRef("http://example.com/a.mov")
Dim url As String = urlRef.qtDataURLRef
Print "url:", urlRef.isValid, urlRef.fenraErr, urlRef.qtRefType, Len(url), Asc(Right(url, 1))
Print "url text:", Left(url, Len(url) - 1)
Print "a URL has no file:", urlRef.qtDataFileRef Is Nil, urlRef.qtDataIsInMemory
Dim emptyRef As New FenraDataRef("")
Print "empty url:", emptyRef.isValid, emptyRef.fenraErr, emptyRef.qtRefType = ""

' Copies are deep and read the same.
Dim copy As New FenraDataRef(urlRef)
Print "copy:", copy.isValid, copy.fenraErr, copy.qtRefType, copy.qtDataURLRef = url, copy.objPtr <> urlRef.objPtr
Dim fileCopy As New FenraDataRef(fileRef)
Print "file copy:", fileCopy.qtRefType, fileCopy.qtDataFileRef.Name
Dim copyOfEmpty As New FenraDataRef(emptyRef)
Print "copy of an invalid one:", copyOfEmpty.isValid, copyOfEmpty.fenraErr

' No native object: the empty constructor and Nil arguments.
Dim none As New FenraDataRef
Print "none:", none.isValid, none.fenraErr, none.qtRefType = "", none.qtDataIsInMemory, none.qtDataFileRef Is Nil
Dim noFile As FolderItem
Dim fromNil As New FenraDataRef(noFile)
Print "from Nil:", fromNil.isValid, fromNil.fenraErr
Dim noRef As FenraDataRef
Dim fromNilRef As New FenraDataRef(noRef)
Print "copy of Nil:", fromNilRef.isValid, fromNilRef.fenraErr
Dim copyOfNone As New FenraDataRef(none)
Print "copy of one without a native:", copyOfNone.isValid, copyOfNone.fenraErr

later.Delete
Print "gone again:", fileRef.qtDataFileRef Is Nil, fileRef.fenraErr
dir.Delete
