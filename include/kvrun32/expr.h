/* The expression evaluator: bound names, EVALUATE, and parsed filter expressions. */
#ifndef KVRUN32_EXPR_H
#define KVRUN32_EXPR_H

#include "types.h"

KIV_EXTERN_C_BEGIN

/* A parsed expression tree; opaque to callers. */
typedef struct KivExpr KivExpr;

/* Gives the level of a bound variable for annotation: the position in a view of the table the
   variable belongs to, 0 for variables outside the view. */
typedef int32_t (*KivLevelResolver)(void* context, Ufo* variable, const char* name);

/* Binding (names are popped from the string stack). */
void Kiv$BindV(Ufo* variable);
void Kiv$BindG(Ufo* group);
void Kiv$BindP(void* procedure, int32_t resultType);
void Kiv$UnbindV(void);
void Kiv$UnbindA(void);
void Kiv$PushBind(void);
void Kiv$PopBind(void);

/* Evaluation. */
void Kiv$Evaluate(void);
KivExpr* Kiv$ParseCString(const char* text);
void Kiv$EvaluateParsed(KivExpr* tree);
int32_t Kiv$EvalR(KivExpr* tree);
void Kiv$EvalS(KivExpr* tree, KivHeapStr* out);
void Kiv$FreeParsed(KivExpr* tree);

/* Walks for drivers that run views: levels, three-valued truth (0 true, 1 false, 2 unknown),
   a key's starting value, and printing back as text. */
int32_t Kiv$AnnotateParsed(KivExpr* tree, KivLevelResolver resolver, void* context);
int32_t Kiv$EvalLevel(KivExpr* tree, int32_t level);
Ufo* Kiv$FindMin(KivExpr* tree, int32_t level, int32_t descending, int32_t caseBlind,
                 Ufo* keyField);
void Kiv$PrintSQL(KivExpr* tree, KivHeapStr* out);
void Kiv$PrintSQLOrder(KivExpr* const* trees, const uint8_t* descending, int32_t count,
                       KivHeapStr* out);

KIV_EXTERN_C_END

#endif
