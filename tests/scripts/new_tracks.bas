' New tracks: a movie authored from pictures the script draws, generated
' sound, text and a time code, read back as frames and saved; then what
' each kind does when misused or when QuickTime fails.
Dim dir As String = Args()(0)

' Whether a colour is within a lossy codec's reach of r, g, b.
Function Near(c As Color, r As Integer, g As Integer, b As Integer) As Boolean
  Return Abs(c.Red - r) <= 24 And Abs(c.Green - g) <= 24 And Abs(c.Blue - b) <= 24
End Function

' A 320 x 240 picture of one colour with a white square in its middle.
Function Drawn(c As Color) As Picture
  Dim p As New Picture(320, 240)
  p.Graphics.ForeColor = c
  p.Graphics.FillRect(0, 0, 320, 240)
  p.Graphics.ForeColor = &cFFFFFF
  p.Graphics.FillRect(140, 100, 40, 40)
  Return p
End Function

Dim m As New FenraMovie

' ---- Video: 320 x 240, no clip, sample duration 0 (24 units a frame) ----
Dim vd As New FenraImageDescComp
vd.width = 320
vd.height = 240
vd.depth = 32
vd.codec = "jpeg"
vd.spatialQual = FenraImageDesc.kCQ_HighQual
vd.sampleDuration = 0
Dim video As New FenraNewVideoTrack(m, vd)
Print "video:", video.isValid, video.fenraErr, video.sampleDuration, video.isEditing
Print "  box, scale:", video.qtTrack.qtTrackBox.width, video.qtTrack.qtTrackBox.height, _
    video.qtTrack.qtMedia.qtTimeScale
video.AddSample(Drawn(&cFF0000), 3)
Print "  before editing:", video.qtTrack.qtMedia.qtDuration, video.fenraErr
video.BeginEditing
Print "  editing:", video.isEditing, video.fenraErr
video.BeginEditing
Print "  again:", video.isEditing, video.fenraErr
video.AddSample(Drawn(&cFF0000), 3)
video.AddSample(Drawn(&c0000FF), 0)
video.AddSample(Drawn(&c0000FF), -2)
video.AddSample(Nil)
video.AddSample(Drawn(&c0000FF), 3)
video.EndEditing
Print "  ended:", video.isEditing, video.fenraErr, video.qtTrack.qtMedia.qtDuration, _
    video.qtTrack.qtDuration
video.AddSample(Drawn(&c00FF00), 3)
Print "  after editing:", video.qtTrack.qtMedia.qtDuration, video.fenraErr

' ---- Sound: 16-bit mono at 22050 Hz, 0.24 s of a 441 Hz tone ----
Dim sd As New FenraSoundDesc
sd.dataFormat = "twos"
sd.channels = 1
sd.bits = 16
sd.rate = 22050
Dim sound As New FenraNewSoundTrack(m, sd)
Dim count As Integer = 5292
Dim tone As New MemoryBlock(count * 2)
tone.LittleEndian = False
For i As Integer = 0 To count - 1
  tone.Short(i * 2) = Round(8000 * Sin(2 * 3.14159265 * 441 * i / 22050))
Next
sound.BeginEditing
sound.BeginEditing
Print "sound:", sound.isValid, sound.fenraErr, sound.isEditing, sound.qtTrack.qtMedia.qtTimeScale
sound.AddSample(tone, 1, count)
sound.AddSample(New MemoryBlock(0), 1, 10)
sound.AddSample(Nil, 1, 10)
' Only sound tracks can be copied in.
sound.AddTrack(video.qtTrack, Nil)
Print "  a video track:", sound.fenraErr
sound.EndEditing
Print "  ended:", sound.fenraErr, sound.qtTrack.qtMedia.qtDuration, sound.qtTrack.qtDuration

' ---- Text: a band over the top of the frame ----
Dim td As New FenraTextDesc
td.fontSize = 24
td.backColor = &cFFFF00
td.textColor = &c000000
Dim text As New FenraNewTextTrack(m, td, New FenraRect(320, 40))
Print "text:", text.isValid, text.fenraErr, text.sampleDuration, text.hiliteColor
text.BeginEditing
QTMLTest.TraceOn
text.AddSample("Hello", True, 3)
text.AddSample("World", False, 3)
text.AddSample("never", False, 0)
QTMLTest.TraceOff
' Size, font, size, hilite start and end, duration; then the result.
For Each line As String In Split(QTMLTest.Trace, Chr(10))
  If Left(line, 22) <> "TextMediaAddTextSample" Then Continue
  Dim shown As String = "  "
  For k As Integer = 2 To 7
    shown = shown + NthField(NthField(NthField(line, "(", 2), ")", 1), ", ", k) + " "
  Next
  Print shown + "->", NthField(line, " -> ", 2)
Next
QTMLTest.ClearTrace
text.EndEditing
Print "  ended:", text.fenraErr, text.qtTrack.qtMedia.qtDuration, text.qtTrack.qtDuration

' ---- Time code: 25 frames a second, shown at (200, 200), from frame 100 ----
Dim tcd As New FenraTimeCodeDesc
tcd.timeScale = 600
tcd.frameDuration = 24
tcd.framesCount = 25
tcd.isVisible = True
Dim looks As New FenraTextDesc
looks.textColor = &cFFFFFF
looks.backColor = &c000000
tcd.textParams = looks
Dim timeCode As New FenraNewTimeCodeTrack(m, tcd, New FenraRect(Array(200, 200, 320, 230)))
Print "time code:", timeCode.isValid, timeCode.fenraErr, timeCode.qtTrack.qtTrackBox.width, _
    timeCode.qtTrack.qtTrackBox.height
timeCode.AddSample(100, 0)
Print "  not editing:", timeCode.qtTrack.qtMedia.qtDuration, timeCode.fenraErr
timeCode.BeginEditing
timeCode.AddSample(100, 0)
timeCode.EndEditing
Print "  ended:", timeCode.fenraErr, timeCode.qtTrack.qtMedia.qtDuration, m.qtDuration, m.qtTracksCount

' ---- The frames the movie shows ----
m.qtTime = 0
Dim f As Picture = m.frame
Print "frame at 0:", f.Width, f.Height, Near(f.Graphics.Pixel(60, 150), 255, 0, 0), _
    Near(f.Graphics.Pixel(160, 120), 255, 255, 255)
Print "  text band:", f.Graphics.Pixel(310, 35), "time code:", f.Graphics.Pixel(202, 202), _
    Near(f.Graphics.Pixel(190, 210), 255, 0, 0)
m.qtTime = 100
f = m.frame
Print "frame at 100:", Near(f.Graphics.Pixel(60, 150), 0, 0, 255), _
    Near(f.Graphics.Pixel(160, 120), 255, 255, 255)

Dim saved As FolderItem = GetFolderItem(dir + "/authored.mov")
m.qtFlush(saved, True)
Print "saved:", m.fenraErr

' ---- Reading the saved movie back ----
Dim back As New FenraMovie(saved)
Print "read back:", back.fenraErr, back.qtTracksCount, back.qtDuration
For i As Integer = 0 To back.qtTracksCount - 1
  Print "  track " + Str(i) + ":", back.qtTrack(i).qtTrackType, back.qtTrack(i).qtDuration
Next
back.qtTime = 100
f = back.frame
Print "  frame at 100:", Near(f.Graphics.Pixel(60, 150), 0, 0, 255), f.Graphics.Pixel(310, 35)

' ---- A sound track copied from another movie ----
Dim toneMovie As New FenraMovie(GetFolderItem(dir + "/tone.mov"))
Dim toneDesc As New FenraSoundDesc(toneMovie.qtTrack(0).qtMedia.sampleDesc(0))
Dim copied As New FenraNewSoundTrack(m, toneDesc)
copied.BeginEditing
copied.AddTrack(toneMovie.qtTrack(0), New FenraTimeRange(0, toneMovie.qtTimeScale / 2))
copied.EndEditing
' The segment goes in, then the whole media with it once more.
Print "copied half:", copied.fenraErr, copied.qtTrack.qtDuration, copied.qtTrack.qtMedia.qtTimeScale
Dim whole As New FenraNewSoundTrack(m, toneDesc)
whole.BeginEditing
whole.AddTrack(toneMovie.qtTrack(0), Nil)
whole.EndEditing
Print "copied whole:", whole.fenraErr, whole.qtTrack.qtMedia.qtDuration

' ---- Kinds made in other ways ----
' 44100 Hz reads as an unsigned rate: the media keeps 44100 units a second.
Dim cd As New FenraSoundDesc
cd.rate = 44100
Print "44100 Hz:", New FenraNewSoundTrack(m, cd).qtTrack.qtMedia.qtTimeScale
' Without a box a text track takes the movie's natural size, and its
' description's empty text box with it.
Dim plain As New FenraNewTextTrack(m, New FenraTextDesc, Nil)
Print "text without box:", plain.qtTrack.qtTrackBox.width, plain.qtTrack.qtTrackBox.height
' A clip rectangle sets a video track's size; a later pair of edits puts
' the whole media into the track once more.
Dim clipped As New FenraImageDescComp(vd)
clipped.clipRect = New FenraRect(Array(0, 0, 160, 120))
clipped.sampleDuration = 60
Dim small As New FenraNewVideoTrack(m, clipped)
Print "clipped:", small.qtTrack.qtTrackBox.width, small.qtTrack.qtTrackBox.height, small.sampleDuration
small.BeginEditing
small.AddSample(Drawn(&c00FF00))
small.EndEditing
small.BeginEditing
small.AddSample(Drawn(&c00FF00))
small.EndEditing
Print "  two pairs:", small.fenraErr, small.qtTrack.qtMedia.qtDuration, small.qtTrack.qtDuration

' ---- Refusals ----
Dim noMovie As New FenraNewVideoTrack(Nil, vd)
Print "nil movie:", noMovie.isValid, noMovie.fenraErr, noMovie.isEditing, noMovie.qtTrack Is Nil
Dim noParams As New FenraNewTextTrack(m, Nil, Nil)
Print "nil parameters:", noParams.isValid, noParams.fenraErr
Dim empty As New FenraMovie(GetFolderItem(dir + "/missing.mov"))
Dim orphan As New FenraNewTimeCodeTrack(empty, tcd, Nil)
Print "movie without a movie:", orphan.isValid, orphan.fenraErr
orphan.BeginEditing
Print "  editing:", orphan.isEditing, orphan.fenraErr
Dim uncast As New FenraImageDescComp(video.qtTrack.qtMedia.sampleDesc(5))
Dim badVideo As New FenraNewVideoTrack(m, uncast)
Print "no description:", badVideo.isValid, badVideo.fenraErr, badVideo.sampleDuration
badVideo.BeginEditing
Print "  editing:", badVideo.isEditing, badVideo.fenraErr
Dim badText As New FenraNewTextTrack(m, td, Nil)
badText.UpdateParams(New FenraTextDesc(video.qtTrack.qtMedia.sampleDesc(0)))
Print "text update from nothing:", badText.fenraErr

' ---- QuickTime failing ----
QTMLTest.FailCall "NewMovieTrack", 1, -108
Dim noTrack As New FenraNewTextTrack(m, td, Nil)
Print "no track:", noTrack.isValid, noTrack.fenraErr
QTMLTest.FailCall "NewTrackMedia", 1, -2005
Dim noMedia As New FenraNewSoundTrack(m, sd)
Print "no media:", noMedia.isValid, noMedia.fenraErr
noMedia.BeginEditing
Print "  editing:", noMedia.isEditing, noMedia.fenraErr
Dim failing As New FenraNewTimeCodeTrack(m, tcd, Nil)
failing.BeginEditing
failing.AddSample(5, 30)
QTMLTest.FailCall "EndMediaEdits", 1, -108
failing.EndEditing
Print "end refused:", failing.isEditing, failing.fenraErr
failing.EndEditing
Print "  again:", failing.isEditing, failing.fenraErr
QTMLTest.FailCall "CompressSequenceBegin", 1, -8960
Dim refused As New FenraNewVideoTrack(m, vd)
refused.BeginEditing
Print "compressor refused:", refused.isEditing, refused.fenraErr
refused.AddSample(Drawn(&cFF0000))
Print "  adding:", refused.qtTrack.qtMedia.qtDuration
QTMLTest.FailCall "AddMediaSample", 1, -34
timeCode.BeginEditing
timeCode.AddSample()
Print "disk full:", timeCode.fenraErr
timeCode.AddSample()
timeCode.EndEditing
Print "  then:", timeCode.fenraErr, timeCode.qtTrack.qtMedia.qtDuration
QTMLTest.ClearFaults
