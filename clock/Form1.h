// The clock window: the artwork, three hands and their shadows redrawn every
// 100 ms, the minute chime, and dragging.
#pragma once

#include "forms.h"

#include <cstdint>

class Form1Form : public rt::Form {
public:
    Form1Form();

    // Controls.
    rt::PictureBox Picture8;  // the composition surface, at the artwork's size, never shown
    rt::Timer Timer1;         // redraw, every 100 ms
    rt::PictureBox Picture2;  // the face the user sees
    rt::Timer Timer2;         // the chime, every 60 s

    // Form-level variables.
    std::int16_t CenterX = 0;
    std::int16_t CenterY = 0;
    std::int32_t DragStartX = 0;
    std::int32_t DragStartY = 0;

    void DoClip();
    void playsound(rt::Variant& MySoundName);
    void DrawTiks();
    void DrawArm(rt::Variant& angle, rt::Variant& size, rt::Variant& thickness, rt::Variant& color,
                 rt::Variant& offset);
    void Timer1_Timer();
    void Form_Load() override;
    void Form_Paint() override;
    void Form_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode) override;
    void Form_Resize() override;
    void Picture2_MouseDown(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y);
    void Picture2_MouseMove(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y);
    void Picture2_MouseUp(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y);
    void Timer2_Timer();

    // The pictures of the picture hour marks (mark styles 3, 4 and 5).
    const rt::Picture& TikPicture(std::int16_t style) const;

protected:
    void InitializeComponent() override;

private:
    rt::Picture tikPictures_[3];
};

inline rt::FormInstance<Form1Form> Form1;

// The sounds of the chime, as the sound call is given them.
inline constexpr const char* SoundNames[6] = {"Crow.wav",    "owl2.wav", "door2.wav",
                                              "cricket.wav", "wolf.wav", "frogs.wav"};
