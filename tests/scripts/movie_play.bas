' FenraMoviePlay on a movie ffmpeg made (movie_play.sh): red, green and blue
' seconds. The engine's clock is stopped, so that playing is exact.
Dim dir As FolderItem = GetFolderItem(Args()(0))
QTMLTest.SetClock(0)

Dim p As New FenraMoviePlay(dir.Child("rgb.mov"))
Print "opened:", p.isValid, p.fenraErr, "time scale", p.qtTimeScale, "step", p.sampleDuration
Dim w As New Window(128, 96)
p.displaySetUp(w, Nil)
Print "set up:", p.fenraErr, "shows", w.Contents.Graphics.Pixel(64, 48)

' Playing: the window shows the frame for the time at each Idle.
p.Play
Print "playing:", p.isPlaying
QTMLTest.AdvanceClock(1500)
p.Idle
Print "at 1.5 s:", p.qtTime, w.Contents.Graphics.Pixel(64, 48)
p.Play(2.0)
Print "play again while playing changes nothing:", p.qtRate
QTMLTest.AdvanceClock(1000)
p.Idle
Print "at 2.5 s:", w.Contents.Graphics.Pixel(64, 48)
QTMLTest.AdvanceClock(1000)
p.Idle
Print "done:", p.isPlaying, p.qtTime = p.qtDuration
p.Play
Print "play at the end starts over:", p.qtTime, p.isPlaying
p.Stop
Print "stopped:", p.isPlaying

' Brightness and contrast change the pixels shown.
p.PlayBegin
Print "red:", w.Contents.Graphics.Pixel(64, 48)
p.brightness = 20
Print "brightness", p.brightness, w.Contents.Graphics.Pixel(64, 48)
p.brightness = 0
p.contrast = -50
Print "contrast", p.contrast, w.Contents.Graphics.Pixel(64, 48)
p.contrast = 0

' The player's graphics context: inverted, turned, zoomed.
p.invert = True
Print "inverted:", p.invert, w.Contents.Graphics.Pixel(64, 48)
p.invert = False
p.zoom = 0
p.zoom = -1
Print "zoom keeps 1 for 0 and -1:", p.zoom
p.zoom = 0.5
Print "zoom 0.5: corner", w.Contents.Graphics.Pixel(2, 2), "middle", w.Contents.Graphics.Pixel(64, 48)
p.zoom = 1
Dim gc As FenraGraphicsContext = p.graphicsContext
Print "context dst:", gc.dstBounds.left, gc.dstBounds.top, gc.dstBounds.right, gc.dstBounds.bottom

' Steps.
p.PlayNext
Print "next:", p.qtTime
p.PlayEnd
Print "end:", p.qtTime = p.qtDuration, w.Contents.Graphics.Pixel(64, 48)
p.PlayPrev
Print "prev:", p.qtTime

' Loops.
p.playLoop = True
p.playPalindrome = True
Print "loop", p.playLoop, "palindrome", p.playPalindrome
p.playPalindrome = False
p.playHighQuality = True
Print "high quality", p.playHighQuality

' Gamma of the frame buffer.
Print "gamma:", p.gamma
p.gamma = 1.0
Print "gamma now:", p.gamma

' The last frame through a context and the effect.
p.PlayBegin
p.brightness = 20
Dim small As New FenraGraphicsContext
small.dstBounds = New FenraRect(32, 24)
Dim pic As Picture = p.frameAndEffect(small)
Print "frame and effect:", pic.Width, pic.Height, pic.Graphics.Pixel(16, 12)

' A player with nothing to play.
Dim none As New FenraMoviePlay
Print "no arguments:", none.isValid
Dim sound As New FenraMoviePlay(dir.Child("sound.mov"))
sound.displaySetUp(w, Nil)
Print "sound only:", sound.isValid, sound.fenraErr, "step", sound.sampleDuration
