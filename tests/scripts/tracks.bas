' FenraTrack and FenraMedia of a movie that ffmpeg made (tracks.sh).
Dim m As New FenraMovie(GetFolderItem(Args()(0)).Child("clip.mov"))
Dim v As FenraTrack = m.qtTrack(0)
Dim s As FenraTrack = m.qtTrack(1)
Print "video:", v.qtTrackType, v.qtHasVideo, v.qtHasSound, "duration", v.qtDuration, "scale", v.qtTimeScale
Print "sound:", s.qtTrackType, s.qtHasVideo, s.qtHasSound, "volume", s.qtVolume
Print "creation", v.qtCreation >= 0, "data at", v.qtTrackDataOffset >= 0
Print "data size (KB) > 0:", v.qtDataSize(Nil) > 0, "movie:", m.qtDataSize(Nil) >= v.qtDataSize(Nil)

' Usage bits: clearing one keeps the others.
v.useInPreview = False
Print "usage:", v.useInMovie, v.useInPreview, v.useInPoster, v.fenraErr
v.enabled = False
Print "disabled:", v.enabled, "movie has video:", m.qtHasVideo
v.enabled = True

' Names live in the track's user data.
v.qtTrackName = "Pictures"
Print "name:", v.qtTrackName
v.qtTrackName = "Moving pictures"
Print "renamed:", v.qtTrackName

' Dimensions change without moving the track.
Dim sides() As Integer = Array(10, 10, 110, 60)
v.qtTrackBox = New FenraRect(sides)
Dim b As FenraRect = v.qtTrackBox
Print "box:", b.left, b.top, b.right, b.bottom
v.qtTrackOffset = 600
Print "offset:", v.qtTrackOffset, v.fenraErr, "duration", v.qtDuration
v.qtTrackLayer = -1
Print "layer:", v.qtTrackLayer

' Media.
Dim vm As FenraMedia = v.qtMedia
Dim sm As FenraMedia = s.qtMedia
Print "video media:", vm.qtMediaType, vm.samplesCount, vm.samplesDescCount, vm.dataRefCount
Print "sound media:", sm.qtMediaType, sm.samplesCount, "scale", sm.qtTimeScale
Print "video volume:", vm.qtVolume
vm.qtVolume = 10
Print "  set:", vm.fenraErr
Dim mode As Integer
Dim col As Color
vm.graphicsModeGet(mode, col)
Print "graphics mode:", mode, vm.fenraErr
vm.graphicsModeSet(FenraObject.kGMd_blend, RGB(255, 0, 128))
vm.graphicsModeGet(mode, col)
Print "set:", mode, col = RGB(255, 0, 128)
Print "bass", sm.qtMediaBass, "treble", sm.qtMediaTreble, sm.fenraErr
sm.qtMediaBass = 20
Print "bass", sm.qtMediaBass, "treble", sm.qtMediaTreble
Print "sound balance:", sm.qtVolume, sm.fenraErr
Print "sample description:", vm.sampleDesc(0) <> Nil, vm.sampleDesc(vm.samplesDescCount) Is Nil
Print "data reference:", vm.dataRef(0) <> Nil, vm.dataRef(-1) Is Nil

' Objects made with New are empty.
Dim empty As New FenraTrack
Print "new track:", empty.isValid, "[" + empty.qtTrackType + "]", empty.qtTrackDataOffset
empty.qtTrackOffset = 5
Print "  set offset:", empty.fenraErr
Dim emptyMedia As New FenraMedia
Print "new media:", emptyMedia.isValid, emptyMedia.samplesCount, emptyMedia.fenraErr
