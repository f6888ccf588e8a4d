' Scripts can have movies made for them before they run (see
' movie_file_setup.sh): the folder holding them is the first argument.
Dim a() As String = Args()
Dim f As FolderItem = GetFolderItem(a(0) + "/clip.mov")
Print f.Exists
Print f.Length > 100000
