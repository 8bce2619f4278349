// The script control on QJSEngine: Language, AddCode, Eval and the Error object.
#include "platform/script_control.h"
#include "platform/automation_qt.h"

#include <QCoreApplication>
#include <QJSEngine>
#include <QJSValue>

#include <cmath>
#include <limits>

namespace kesmora::platform {
namespace {

// The last error of a control, shared with the Error objects handed out.
struct ScriptError {
    std::int32_t number = 0;
    QString source;
    QString description;
    QString helpFile;
    std::int32_t helpContext = 0;
    QString text;
    std::int32_t line = 0;
    std::int32_t column = 0;
};

class ErrorObject : public AutomationObject {
public:
    explicit ErrorObject(std::shared_ptr<ScriptError> error) : error_(std::move(error)) {}

    bool Put(std::string_view, const Variant&) override { return false; }

    bool Get(std::string_view member, Variant* result) override {
        const ScriptError& e = *error_;
        if (SameMember(member, "Number"))
            *result = Variant(e.number);
        else if (SameMember(member, "Source"))
            *result = StringVariant(e.source);
        else if (SameMember(member, "Description"))
            *result = StringVariant(e.description);
        else if (SameMember(member, "HelpFile"))
            *result = StringVariant(e.helpFile);
        else if (SameMember(member, "HelpContext"))
            *result = Variant(e.helpContext);
        else if (SameMember(member, "Text"))
            *result = StringVariant(e.text);
        else if (SameMember(member, "Line"))
            *result = Variant(e.line);
        else if (SameMember(member, "Column"))
            *result = Variant(e.column);
        else
            return false;
        return true;
    }

    bool Call(std::string_view member, const std::vector<Variant>& args, Variant*) override {
        if (!SameMember(member, "Clear") || !args.empty())
            return false;
        *error_ = ScriptError();
        return true;
    }

    bool DefaultValue(Variant* result) override { return Get("Number", result); }

private:
    std::shared_ptr<ScriptError> error_;
};

// A script object handed out of Eval: only its string form, taken while the run was
// still guarded (a script's toString may itself run for ever).
class ScriptValueObject : public AutomationObject {
public:
    explicit ScriptValueObject(std::optional<QString> text) : text_(std::move(text)) {}
    bool Put(std::string_view, const Variant&) override { return false; }
    bool Get(std::string_view, Variant*) override { return false; }
    bool Call(std::string_view, const std::vector<Variant>&, Variant*) override { return false; }
    bool DefaultValue(Variant* result) override {
        if (!text_)
            return false;
        *result = StringVariant(*text_);
        return true;
    }

private:
    std::optional<QString> text_;
};

Variant NumberVariant(double d) {
    const bool integral = std::isfinite(d) && d == std::trunc(d) && !(d == 0 && std::signbit(d));
    if (integral && d >= std::numeric_limits<std::int32_t>::min() &&
        d <= std::numeric_limits<std::int32_t>::max())
        return Variant(static_cast<std::int32_t>(d));
    return Variant(d);
}

// Line and column of the first stack frame ("function:line:column:file").
std::pair<int, int> FramePosition(const QStringList& trace) {
    if (trace.isEmpty())
        return {0, 0};
    const QStringList parts = trace.first().split(QLatin1Char(':'));
    if (parts.size() < 3)
        return {0, 0};
    return {std::max(0, parts[1].toInt()), std::max(0, parts[2].toInt())};
}

class ScriptControl : public AutomationObject {
    using Outcome = detail::ScriptWatch::Outcome;

public:
    bool Put(std::string_view member, const Variant& value) override {
        if (!SameMember(member, "Language"))
            return false;
        const std::optional<std::u16string> name = value.toString();
        if (!name)
            return false;
        const QString language = ToQString(*name);
        if (language.compare(QLatin1String("JavaScript"), Qt::CaseInsensitive) != 0 &&
            language.compare(QLatin1String("JScript"), Qt::CaseInsensitive) != 0)
            return false;
        StartEngine();
        language_ = language;
        return true;
    }

    bool Get(std::string_view member, Variant* result) override {
        if (SameMember(member, "Language"))
            *result = StringVariant(language_);
        else if (SameMember(member, "Error"))
            *result = Variant(ObjectRef(std::make_shared<ErrorObject>(error_)));
        else
            return false;
        return true;
    }

    bool Call(std::string_view member, const std::vector<Variant>& args, Variant* result) override {
        const bool addCode = SameMember(member, "AddCode");
        if ((!addCode && !SameMember(member, "Eval")) || args.size() != 1)
            return false;
        QString program;
        if (args[0].kind() == VariantKind::String) {
            // Scripts can be large, and the argument outlives the call: no copy.
            const std::u16string& text = args[0].stringValue();
            program = QString::fromRawData(reinterpret_cast<const QChar*>(text.data()),
                                           static_cast<qsizetype>(text.size()));
        } else {
            const std::optional<std::u16string> text = args[0].toString();
            if (!text)
                return false;
            program = ToQString(*text);
        }
        Variant value;
        if (!Run(program, &value))
            return false;
        *result = addCode ? Variant() : std::move(value);
        return true;
    }

private:
    void StartEngine() {
        jsonParse_ = QJSValue(); // values go before the engine that holds them
        eval_ = QJSValue();
        engine_.reset();
        engine_ = std::make_unique<QJSEngine>();
        engine_->evaluate(detail::SandboxPrelude());
        const QJSValue global = engine_->globalObject();
        jsonParse_ = global.property(QStringLiteral("JSON")).property(QStringLiteral("parse"));
        eval_ = global.property(QStringLiteral("eval"));
    }

    bool Fail(std::int32_t number, const QString& description) {
        error_->number = number;
        error_->source = QStringLiteral("JavaScript");
        error_->description = description;
        return false;
    }

    bool Interrupted(Outcome outcome) {
        engine_->catchError();
        return Fail(kScriptErrorInterrupted,
                    outcome == Outcome::TimeLimit
                        ? QStringLiteral("Script interrupted: time limit reached")
                        : QStringLiteral("Script interrupted: memory limit reached"));
    }

    bool Run(const QString& program, Variant* value) {
        *error_ = ScriptError();
        if (!engine_)
            return Fail(kScriptErrorNoLanguage, QStringLiteral("No script language set"));
        const ScriptLimits limits = GetScriptLimits();
        if (program.size() <= static_cast<qsizetype>(limits.maxDocumentUnits)) {
            if (const auto load = detail::MatchDocumentLoad(program)) {
                // Guarded too: a script run before may have put accessors on the globals.
                detail::ScriptWatch watch(engine_.get());
                const bool loaded = LoadDocument(*load);
                if (const auto outcome = watch.Finish(); outcome != Outcome::Finished)
                    return Interrupted(outcome);
                if (loaded)
                    return true;
            }
        }
        if (program.size() > static_cast<qsizetype>(limits.maxSourceUnits))
            return Fail(kScriptErrorRefused, QStringLiteral("Script text too large"));
        return Evaluate(program, value);
    }

    // The document read by the JSON parser, then assigned as the program would. False
    // (and nothing changed) when the parser refuses it: the program then runs as
    // written, so errors and their details are the compiler's.
    bool LoadDocument(const detail::DocumentLoad& load) {
        QJSValue global = engine_->globalObject();
        if (!global.property(QStringLiteral("eval")).strictlyEquals(eval_))
            return false; // eval(...) would not mean what it says
        const QJSValue document = jsonParse_.call({QJSValue(load.json.toString())});
        if (document.isError() || engine_->hasError()) {
            engine_->catchError();
            return false;
        }
        const QJSValue declared = engine_->evaluate(QStringLiteral("var ") + load.variable);
        if (declared.isError())
            return false;
        global.setProperty(load.variable, document);
        return true;
    }

    bool Evaluate(const QString& program, Variant* value) {
        detail::ScriptWatch watch(engine_.get());
        QStringList trace;
        const QJSValue result = engine_->evaluate(program, QString(), 1, &trace);
        if (trace.isEmpty())
            *value = ToVariant(result);
        if (const auto outcome = watch.Finish(); outcome != Outcome::Finished)
            return Interrupted(outcome);
        if (!trace.isEmpty())
            return Describe(program, result, trace);
        return true;
    }

    bool Describe(const QString& program, const QJSValue& thrown, const QStringList& trace) {
        const bool syntax = thrown.isError() && thrown.errorType() == QJSValue::SyntaxError;
        error_->number = syntax ? kScriptErrorSyntax : kScriptErrorRuntime;
        error_->source = syntax ? QStringLiteral("JavaScript compilation error")
                                : QStringLiteral("JavaScript runtime error");
        error_->description = thrown.isError()
                                  ? thrown.property(QStringLiteral("message")).toString()
                                  : thrown.toString();
        const auto [line, column] = FramePosition(trace);
        error_->line = line;
        error_->column = column;
        if (line > 0)
            error_->text = program.split(QLatin1Char('\n')).value(line - 1);
        engine_->catchError(); // nothing may stay pending for the next run
        return false;
    }

    // Still inside the watch: an object's string form may run script.
    Variant ToVariant(const QJSValue& v) {
        if (v.isUndefined())
            return Variant();
        if (v.isNull())
            return Variant::Null();
        if (v.isBool())
            return Variant(v.toBool());
        if (v.isNumber())
            return NumberVariant(v.toNumber());
        if (v.isString())
            return StringVariant(v.toString());
        std::optional<QString> text = v.toString();
        if (engine_->hasError()) {
            engine_->catchError();
            text.reset();
        }
        return Variant(ObjectRef(std::make_shared<ScriptValueObject>(std::move(text))));
    }

    std::unique_ptr<QJSEngine> engine_;
    QJSValue jsonParse_;
    QJSValue eval_;
    QString language_;
    std::shared_ptr<ScriptError> error_ = std::make_shared<ScriptError>();
};

} // namespace

ObjectRef CreateScriptControl() {
    if (QCoreApplication::instance() == nullptr)
        return nullptr;
    return std::make_shared<ScriptControl>();
}

} // namespace kesmora::platform
