#pragma once

// The hooks through which a long operation (picture loading and saving,
// thumbnail building, movie compression) reports its progress. The base does
// nothing, so any operation can be handed a plain one when nobody watches;
// operations also accept none (null). The hooks are called only by the
// operation, on the thread that runs it.
class TProgressContext
{
public:
    virtual ~TProgressContext() = default;

    // Start the current stage again from position 0.
    virtual void Reset() {}
    // One step of the current stage done.
    virtual void Nudge() {}
    // Select the stage that following steps advance; completes the previous one.
    virtual void SetIndex(int /*index*/) {}
    // The number of steps of the current stage.
    virtual void SetTotal(int /*total*/) {}
    // The least milliseconds between two moments at which Nudge lets pending
    // window messages run, for a task on the window thread; 0 or less: never.
    virtual void SetMsgFreq(int /*milliseconds*/) {}
    virtual int GetPosition() const { return 0; }
};
